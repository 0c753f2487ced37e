#include "platform/X11DropTarget.h"

#include "platform/FrameEventSink.h"
#include "platform/UriList.h"

#include <X11/Xatom.h>
#include <unistd.h>

#include <climits>

namespace orva::platform::x11 {

namespace {
constexpr long kXdndVersion = 5;
}

DropTarget::DropTarget(Display* d, Window w, FrameEventSink* f, double s) : display(d), window(w), frame(f), scale(s) {
    aware = XInternAtom(display, "XdndAware", False);
    enterAtom = XInternAtom(display, "XdndEnter", False);
    positionAtom = XInternAtom(display, "XdndPosition", False);
    statusAtom = XInternAtom(display, "XdndStatus", False);
    leaveAtom = XInternAtom(display, "XdndLeave", False);
    dropAtom = XInternAtom(display, "XdndDrop", False);
    finishedAtom = XInternAtom(display, "XdndFinished", False);
    selection = XInternAtom(display, "XdndSelection", False);
    typeList = XInternAtom(display, "XdndTypeList", False);
    actionCopy = XInternAtom(display, "XdndActionCopy", False);
    uriList = XInternAtom(display, "text/uri-list", False);
    dataProperty = XInternAtom(display, "ORVA_DROPPED_FILES", False);
    const Atom version = kXdndVersion;
    XChangeProperty(display, window, aware, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&version), 1);
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) == 0) hostName = name;
}

void DropTarget::reply(Atom type, long accept, Atom action) {
    if (!source) return;
    XEvent event{};
    XClientMessageEvent& m = event.xclient;
    m.type = ClientMessage;
    m.display = display;
    m.window = source;
    m.message_type = type;
    m.format = 32;
    m.data.l[0] = long(window);
    m.data.l[1] = accept;  // status: bit 0 accepts, bit 1 wants every position
    m.data.l[2] = type == finishedAtom ? long(action) : 0;
    m.data.l[3] = 0;
    m.data.l[4] = type == statusAtom ? long(action) : 0;
    XSendEvent(display, source, False, NoEventMask, &event);
    XFlush(display);
}

void DropTarget::enter(const XClientMessageEvent& m) {
    source = Window(m.data.l[0]);
    offersFiles = false;
    accepted = false;
    if ((m.data.l[1] >> 24) > kXdndVersion) {  // a newer protocol than ours
        source = 0;
        return;
    }
    if (m.data.l[1] & 1) {
        // More than three types: the full list is on the source window.
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, source, typeList, 0, 1024, False, XA_ATOM, &type, &format, &count, &remaining,
                               &data) == Success &&
            data && format == 32) {
            const auto* atoms = reinterpret_cast<const Atom*>(data);  // Xlib hands 32-bit items as longs
            for (unsigned long i = 0; i < count; ++i) offersFiles |= atoms[i] == uriList;
        }
        if (data) XFree(data);
    } else {
        for (int i = 2; i <= 4; ++i) offersFiles |= Atom(m.data.l[i]) == uriList;
    }
}

void DropTarget::position(const XClientMessageEvent& m) {
    if (Window(m.data.l[0]) != source || !source) return;
    const int rootX = int((unsigned long)m.data.l[2] >> 16) & 0xFFFF, rootY = int(m.data.l[2] & 0xFFFF);
    Window child;
    accepted = false;
    if (XTranslateCoordinates(display, DefaultRootWindow(display), window, rootX, rootY, &x, &y, &child))
        accepted = offersFiles && frame->platformCanDrop(logicalPoint());
    reply(statusAtom, accepted ? 3 : 2, accepted ? actionCopy : None);
}

void DropTarget::drop(const XClientMessageEvent& m) {
    if (Window(m.data.l[0]) != source || !source) return;
    if (!accepted) {
        reply(finishedAtom, 0, None);
        source = 0;
        return;
    }
    XConvertSelection(display, selection, uriList, dataProperty, window, Time(m.data.l[2]));
    XFlush(display);
}

void DropTarget::receive(const XSelectionEvent& event) {
    bool taken = false;
    if (event.property == dataProperty) {
        Atom type = None;
        int format = 0;
        unsigned long count = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, dataProperty, 0, 1 << 20, True, AnyPropertyType, &type, &format, &count,
                               &remaining, &data) == Success &&
            data && format == 8) {
            const auto files = filesFromUriList(std::string(reinterpret_cast<const char*>(data), count), hostName);
            taken = frame->platformOnDrop(logicalPoint(), files);
        }
        if (data) XFree(data);
    }
    reply(finishedAtom, taken ? 1 : 0, taken ? actionCopy : None);
    source = 0;
}

bool DropTarget::handleEvent(const XEvent& event) {
    if (event.type == SelectionNotify && event.xselection.requestor == window &&
        event.xselection.selection == selection) {
        if (source) receive(event.xselection);
        return true;
    }
    if (event.type != ClientMessage || event.xclient.window != window || event.xclient.format != 32) return false;
    const XClientMessageEvent& m = event.xclient;
    if (m.message_type == enterAtom) enter(m);
    else if (m.message_type == positionAtom) position(m);
    else if (m.message_type == dropAtom) drop(m);
    else if (m.message_type == leaveAtom) source = 0;
    else return false;
    return true;
}

}  // namespace orva::platform::x11
