#include "platform/X11Popups.h"

#include "platform/FontResolver.h"
#include "platform/X11Paint.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <cairo-xlib.h>
#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <chrono>
#include <thread>

namespace orva::platform::x11 {
namespace {

constexpr int kTooltipWidth = 180;
constexpr double kFontSize = 12.0;

}  // namespace

// ---------------------------------------------------------------------------

EditField::EditField(Display* d, Window parent, const EditFieldParams& s, EditFieldClient* c, double pixelScale)
    : display(d), params(s), client(c), buffer(s.text, s.maxChars), original(buffer.text()),
      scale(std::isfinite(pixelScale) && pixelScale >= 1.0 ? pixelScale : 1.0) {
    clipboardAtom = XInternAtom(display, "CLIPBOARD", False);
    utf8Atom = XInternAtom(display, "UTF8_STRING", False);
    targetsAtom = XInternAtom(display, "TARGETS", False);
    pasteAtom = XInternAtom(display, "ORVA_EDIT_PASTE", False);
    selectFont(measure.cr, params.fontFamily, params.fontHeight);
    long events = ExposureMask | KeyPressMask | FocusChangeMask | ButtonPressMask | ButtonReleaseMask |
                  Button1MotionMask;
    XSetWindowAttributes a{};
    a.event_mask = events;
    a.background_pixel = 0;
    // The field's geometry and text are logical; its window covers the device
    // pixels of its rectangle.
    window = XCreateWindow(display, parent, device(params.rect.left), device(params.rect.top),
                           unsigned(std::max(1, device(params.rect.width()))),
                           unsigned(std::max(1, device(params.rect.height()))), 0, CopyFromParent, InputOutput,
                           CopyFromParent, CWEventMask | CWBackPixel, &a);
    if (!window) return;
    // The host's locale and input-method settings stand as they are: a plug-in
    // must not change process-wide Xlib state. Without an input method, keys are
    // read through their keysyms.
    inputMethod = XOpenIM(display, nullptr, nullptr, nullptr);
    if (inputMethod) {
        inputContext = XCreateIC(inputMethod, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow,
                                 window, XNFocusWindow, window, nullptr);
        unsigned long filterEvents = 0;
        if (inputContext && !XGetICValues(inputContext, XNFilterEvents, &filterEvents, nullptr) && filterEvents) {
            a.event_mask = events | long(filterEvents);
            XChangeWindowAttributes(display, window, CWEventMask, &a);
        }
        if (inputContext) XSetICFocus(inputContext);
    }
    XMapRaised(display, window);
    XSync(display, False);
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XFlush(display);
}

EditField::~EditField() {
    if (inputContext) XDestroyIC(inputContext);
    if (inputMethod) XCloseIM(inputMethod);
    if (window) XDestroyWindow(display, window);
    XFlush(display);
}

double EditField::xOf(size_t offset) {
    const double whole = textWidth(measure.cr, buffer.text());
    const double inner = params.rect.width() - 2.0 * params.margin;
    double origin = params.margin - scroll;
    if (whole <= inner) {  // all of it fits: placed by the alignment
        if (params.align == VSTGUI::kCenterText) origin = (params.rect.width() - whole) / 2;
        else if (params.align == VSTGUI::kRightText) origin = params.rect.width() - params.margin - whole;
    }
    return origin + textWidth(measure.cr, buffer.text().substr(0, offset));
}

size_t EditField::offsetAt(int x) {
    // The boundary whose x is nearest: walk the characters.
    const std::string& text = buffer.text();
    size_t best = 0;
    double bestDistance = std::abs(xOf(0) - x);
    for (size_t i = 1; i <= text.size(); ++i) {
        if (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        const double distance = std::abs(xOf(i) - x);
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void EditField::keepCaretVisible() {
    const double whole = textWidth(measure.cr, buffer.text());
    const double inner = params.rect.width() - 2.0 * params.margin - 1;
    if (whole <= inner) {
        scroll = 0;
        return;
    }
    const double caretX = textWidth(measure.cr, buffer.text().substr(0, buffer.caret()));
    if (caretX - scroll > inner) scroll = caretX - inner;
    if (caretX < scroll) scroll = caretX;
    scroll = std::max(0.0, std::min(scroll, whole - inner));
}

void EditField::draw() {
    if (!window) return;
    keepCaretVisible();
    cairo_surface_t* surface = nullptr;
    const int w = params.rect.width(), h = params.rect.height();
    cairo_t* cr = windowCairo(display, window, device(w), device(h), surface);
    cairo_scale(cr, scale, scale);
    auto colour = [&](VSTGUI::CColor c) { cairo_set_source_rgb(cr, c.red / 255.0, c.green / 255.0, c.blue / 255.0); };
    colour(params.backColor);
    cairo_paint(cr);
    colour(params.frameColor);
    cairo_rectangle(cr, 0.5, 0.5, w - 1, h - 1);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_rectangle(cr, 1, 1, w - 2, h - 2);
    cairo_clip(cr);
    selectFont(cr, params.fontFamily, params.fontHeight);
    cairo_font_extents_t fe;
    cairo_font_extents(cr, &fe);
    const double baseline = (h + fe.ascent - fe.descent) / 2;
    const double origin = xOf(0);
    const std::string& text = buffer.text();
    colour(params.fontColor);
    cairo_move_to(cr, origin, baseline);
    cairo_show_text(cr, text.c_str());
    const double top = params.margin, bottom = h - params.margin;
    if (buffer.hasSelection()) {
        // The selected run: highlight, and its text again in white over it.
        const double x0 = xOf(buffer.selectionStart()), x1 = xOf(buffer.selectionEnd());
        cairo_save(cr);
        cairo_rectangle(cr, x0, top, x1 - x0, bottom - top);
        cairo_clip_preserve(cr);
        cairo_set_source_rgb(cr, 0.2, 0.4, 0.8);
        cairo_fill(cr);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_move_to(cr, origin, baseline);
        cairo_show_text(cr, text.c_str());
        cairo_restore(cr);
    }
    colour(params.fontColor);
    cairo_rectangle(cr, std::floor(xOf(buffer.caret())), top, 1, bottom - top);
    cairo_fill(cr);
    finishPaint(display, window, device(w), device(h), cr, surface);
    XFlush(display);
}

void EditField::finish(bool byReturn) {
    if (finished) return;
    finished = true;
    if (client) client->editFieldEnded(buffer.text(), byReturn);
}

void EditField::copy(Atom selection, Time time) {
    if (!buffer.hasSelection()) return;
    copied = buffer.selectedText();
    XSetSelectionOwner(display, selection, window, time);
}

void EditField::requestPaste(Atom selection, Time time) {
    pasteTarget = utf8Atom;
    XConvertSelection(display, selection, utf8Atom, pasteAtom, window, time);
    XFlush(display);
}

void EditField::receivePaste(const XSelectionEvent& event) {
    if (event.property == None) {
        // No UTF-8 form: ask once more for plain Latin-1 text.
        if (pasteTarget == utf8Atom) {
            pasteTarget = XA_STRING;
            XConvertSelection(display, event.selection, XA_STRING, pasteAtom, window, event.time);
        }
        return;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    // Up to 64 KiB; the field holds 255 characters anyway.
    if (XGetWindowProperty(display, window, event.property, 0, 16384, True, AnyPropertyType, &type, &format, &count,
                           &remaining, &data) != Success)
        return;
    if (data && format == 8 && (type == utf8Atom || type == XA_STRING)) {
        std::string text(reinterpret_cast<const char*>(data), count);
        if (type == XA_STRING) {
            std::string utf8;
            for (unsigned char c : text) appendUtf8(utf8, c);
            text = utf8;
        }
        buffer.insert(text);
        draw();
    }
    if (data) XFree(data);
}

void EditField::answerRequest(const XSelectionRequestEvent& request) {
    XSelectionEvent reply{};
    reply.type = SelectionNotify;
    reply.display = display;
    reply.requestor = request.requestor;
    reply.selection = request.selection;
    reply.target = request.target;
    reply.time = request.time;
    reply.property = request.property != None ? request.property : request.target;
    if (request.target == targetsAtom) {
        const Atom targets[] = {targetsAtom, utf8Atom, XA_STRING};
        XChangeProperty(display, request.requestor, reply.property, XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(targets), 3);
    } else if (request.target == utf8Atom || request.target == XA_STRING) {
        XChangeProperty(display, request.requestor, reply.property, request.target, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(copied.data()), int(copied.size()));
    } else {
        reply.property = None;
    }
    XSendEvent(display, request.requestor, False, NoEventMask, reinterpret_cast<XEvent*>(&reply));
    XFlush(display);
}

void EditField::keyPress(XKeyEvent& key) {
    char small[64];
    char* text = small;
    std::string large;
    KeySym sym = NoSymbol;
    Status status = XLookupNone;
    int n;
    if (inputContext) {
        n = Xutf8LookupString(inputContext, &key, small, sizeof small - 1, &sym, &status);
        if (status == XBufferOverflow) {
            large.resize(size_t(n) + 1);
            text = large.data();
            n = Xutf8LookupString(inputContext, &key, text, n, &sym, &status);
        }
        if (status != XLookupChars && status != XLookupBoth) n = 0;
        if (status != XLookupKeySym && status != XLookupBoth) sym = NoSymbol;
    } else {
        n = XLookupString(&key, small, sizeof small - 1, &sym, nullptr);
        n = 0;  // XLookupString answers Latin-1: the keysym below gives the character
    }
    const bool shift = key.state & ShiftMask, control = key.state & ControlMask;
    switch (sym) {
    case XK_Return:
    case XK_KP_Enter: finish(true); return;
    case XK_Escape:
        // Cancelled: the edit ends with the text it started with.
        buffer = EditBuffer(original, params.maxChars);
        finish(false);
        return;
    case XK_Tab:
    case XK_ISO_Left_Tab: finish(false); return;
    case XK_BackSpace:
        if (control && !buffer.hasSelection()) buffer.moveWordLeft(true);
        buffer.backspace();
        break;
    case XK_Delete:
    case XK_KP_Delete:
        if (shift) {
            copy(clipboardAtom, key.time);
        } else if (control && !buffer.hasSelection()) {
            buffer.moveWordRight(true);
        }
        buffer.deleteForward();
        break;
    case XK_Insert:
    case XK_KP_Insert:
        if (shift) requestPaste(clipboardAtom, key.time);
        else if (control) copy(clipboardAtom, key.time);
        return;
    case XK_Left:
    case XK_KP_Left: control ? buffer.moveWordLeft(shift) : buffer.moveLeft(shift); break;
    case XK_Right:
    case XK_KP_Right: control ? buffer.moveWordRight(shift) : buffer.moveRight(shift); break;
    case XK_Home:
    case XK_KP_Home:
    case XK_Up:
    case XK_KP_Up: buffer.moveHome(shift); break;
    case XK_End:
    case XK_KP_End:
    case XK_Down:
    case XK_KP_Down: buffer.moveEnd(shift); break;
    default:
        if (control) {
            switch (sym) {
            case XK_a:
            case XK_A: buffer.selectAll(); break;
            case XK_c:
            case XK_C: copy(clipboardAtom, key.time); return;
            case XK_x:
            case XK_X:
                copy(clipboardAtom, key.time);
                if (buffer.hasSelection()) buffer.backspace();
                break;
            case XK_v:
            case XK_V: requestPaste(clipboardAtom, key.time); return;
            default: return;
            }
        } else if (n > 0) {
            buffer.insert(std::string(text, size_t(n)));
        } else {
            // Latin-1 keysyms are their code points; Unicode keysyms carry theirs.
            unsigned long cp = 0;
            if (sym >= 0x20 && sym <= 0xFF) cp = sym;
            else if ((sym & 0xFF000000UL) == 0x01000000UL) cp = sym & 0x00FFFFFFUL;
            else if (sym >= XK_KP_0 && sym <= XK_KP_9) cp = '0' + (sym - XK_KP_0);
            else if (sym == XK_KP_Decimal) cp = '.';
            else if (sym == XK_KP_Subtract) cp = '-';
            else if (sym == XK_KP_Add) cp = '+';
            if (!cp) return;
            std::string one;
            appendUtf8(one, cp);
            buffer.insert(one);
        }
        break;
    }
    draw();
}

bool EditField::handleEvent(XEvent& event) {
    if (event.xany.window != window || finished) return false;
    // The input method takes the events it composes from (dead keys, compose).
    if (inputContext && XFilterEvent(&event, window)) return true;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0) draw();
        break;
    case FocusIn:
        if (inputContext) XSetICFocus(inputContext);
        break;
    case FocusOut:
        if (inputContext) XUnsetICFocus(inputContext);
        // Only a real loss counts: with the focus following the pointer root, the
        // window under the pointer also hears pointer-detail focus events.
        if (event.xfocus.mode == NotifyNormal && event.xfocus.detail != NotifyInferior &&
            event.xfocus.detail != NotifyPointer && event.xfocus.detail != NotifyPointerRoot &&
            event.xfocus.detail != NotifyDetailNone)
            finish(false);
        break;
    case KeyPress: keyPress(event.xkey); break;
    case ButtonPress: {
        const XButtonEvent& b = event.xbutton;
        if (b.button == Button1) {
            if (lastClick && b.time - lastClick <= 400) {
                buffer.selectAll();  // double click
                lastClick = 0;
            } else {
                    buffer.setCaret(offsetAt(int(b.x / scale)), (b.state & ShiftMask) != 0);
                selecting = true;
                lastClick = b.time;
            }
            draw();
        } else if (b.button == Button2) {
                buffer.setCaret(offsetAt(int(b.x / scale)), false);
            requestPaste(XA_PRIMARY, b.time);
        }
        break;
    }
    case MotionNotify:
        if (selecting) {
                buffer.setCaret(offsetAt(int(event.xmotion.x / scale)), true);
            draw();
        }
        break;
    case ButtonRelease:
        if (event.xbutton.button == Button1 && selecting) {
            selecting = false;
            copy(XA_PRIMARY, event.xbutton.time);  // the usual X primary selection
        }
        break;
    case SelectionNotify:
        if (event.xselection.property == pasteAtom || event.xselection.property == None)
            receivePaste(event.xselection);
        break;
    case SelectionRequest: answerRequest(event.xselectionrequest); break;
    case SelectionClear: break;
    default: break;
    }
    return true;
}

// ---------------------------------------------------------------------------

Tooltip::Tooltip(Display* d, int s, double pixelScale)
    : display(d), screen(s), scale(std::isfinite(pixelScale) && pixelScale >= 1.0 ? pixelScale : 1.0) {}

Tooltip::~Tooltip() {
    if (window) XDestroyWindow(display, window);
}

void Tooltip::show(int rootLeft, int rootBottom, const std::string& text) {
    Measure m;
    selectFont(m.cr, "Arial", kFontSize);
    lines = wrapText(text, kTooltipWidth, [&](const std::string& s) { return int32_t(textWidth(m.cr, s) + 0.5); });
    width = 0;
    for (const auto& l : lines) width = std::max(width, int(textWidth(m.cr, l) + 0.5));
    width += 8;
    height = int(lines.size()) * 15 + 6;
    // Laid out in logical pixels, shown at the scale.
    width = int(std::lround(width * scale));
    height = int(std::lround(height * scale));
    const int x = std::max(0, std::min(rootLeft, DisplayWidth(display, screen) - width - 2));
    const int y = std::max(0, std::min(rootBottom + 2, DisplayHeight(display, screen) - height - 2));
    if (!window) window = overrideRedirectWindow(display, screen, x, y, width, height, ExposureMask);
    else XMoveResizeWindow(display, window, x, y, unsigned(width), unsigned(height));
    XMapRaised(display, window);
    visible = true;
    draw();
}

void Tooltip::hide() {
    if (window && visible) XUnmapWindow(display, window);
    visible = false;
    XFlush(display);
}

void Tooltip::draw() {
    if (!window || !visible) return;
    cairo_surface_t* surface = nullptr;
    cairo_t* cr = windowCairo(display, window, width, height, surface);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 1.0, 1.0, 0.88);
    cairo_paint(cr);
    selectFont(cr, "Arial", kFontSize);
    cairo_set_source_rgb(cr, 0, 0, 0);
    for (size_t i = 0; i < lines.size(); ++i) {
        cairo_move_to(cr, 4, 15 + 15 * double(i));
        cairo_show_text(cr, lines[i].c_str());
    }
    finishPaint(display, window, width, height, cr, surface);
    XFlush(display);
}

bool Tooltip::handleEvent(const XEvent& event) {
    if (!window || event.xany.window != window) return false;
    if (event.type == Expose && event.xexpose.count == 0) draw();
    return true;
}

}  // namespace orva::platform::x11
