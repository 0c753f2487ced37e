// Files dropped onto the frame's window from a file manager: the receiving side
// of the XDND protocol (version 5). The window announces itself with XdndAware;
// while a drag carrying text/uri-list passes over it, each position is answered
// with whether the view under the pointer takes files; a drop fetches the list
// through the XdndSelection, gives the paths to that view and reports back.
#pragma once

#include "platform/GuiTypes.h"

#include <X11/Xlib.h>

#include <string>

namespace orva::platform {
class FrameEventSink;
}

namespace orva::platform::x11 {

class DropTarget {
public:
    // scale: the window's device pixels per logical pixel; the frame hears
    // drop points in logical pixels.
    DropTarget(Display* display, Window window, FrameEventSink* frame, double scale = 1.0);
    // Handles an XDND message or the dropped data for the window; true when it was one.
    bool handleEvent(const XEvent& event);

private:
    // The last position in the frame's logical pixels.
    VSTGUI::CPoint logicalPoint() const { return VSTGUI::CPoint(VSTGUI::CCoord(x / scale), VSTGUI::CCoord(y / scale)); }
    void enter(const XClientMessageEvent& message);
    void position(const XClientMessageEvent& message);
    void drop(const XClientMessageEvent& message);
    void receive(const XSelectionEvent& event);
    void reply(Atom type, long accepted, Atom action);

    Display* display;
    Window window;
    FrameEventSink* frame;
    Atom aware, enterAtom, positionAtom, statusAtom, leaveAtom, dropAtom, finishedAtom, selection, typeList,
        actionCopy, uriList, dataProperty;
    Window source = 0;        // the drag in progress, or 0
    bool offersFiles = false; // the drag carries text/uri-list
    bool accepted = false;    // the last position was over a view that takes files
    int x = 0, y = 0;         // the last position, window coordinates
    double scale = 1.0;
    std::string hostName;
};

}  // namespace orva::platform::x11
