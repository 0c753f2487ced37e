// The frame's pop-up windows on X11, drawn with cairo: the pop-up menu (an
// override-redirect window with its own modal loop), the one-line edit field (a
// child of the frame's window holding the keyboard focus) and the tooltip (an
// override-redirect window below the view).
#pragma once

#include "platform/EditBuffer.h"
#include "platform/PlatformFrame.h"
#include "platform/X11Paint.h"

#include <X11/Xlib.h>

#include <cmath>
#include <string>
#include <vector>

namespace orva::platform::x11 {

// Shows entries at (rootX, rootY) and waits for a choice: the command, or -1.
// Submenus open in panes of their own beside their rows (X11Menu.cpp).
// scale: device pixels per logical pixel; the panes' text and geometry grow by it.
int32_t runPopupMenu(Display* display, int screen, const std::vector<PopupMenuEntry>& entries, int rootX, int rootY,
                     double scale = 1.0);

// The one-line edit field: a child of the frame's window holding the keyboard
// focus. Keys go through the X input method when one opens (compose and dead
// keys), else through the keysym; the caret and selection follow the usual
// keys (arrows, Home/End, with Shift to select and Control by words), a click
// places the caret, a drag or double click selects, and Control+C/X/V and the
// middle button use the clipboard and primary selection.
class EditField {
public:
    // params are in the parent's logical pixels; scale: device pixels per logical pixel.
    EditField(Display* display, Window parent, const EditFieldParams& params, EditFieldClient* client,
              double scale = 1.0);
    ~EditField();
    bool isValid() const { return window != 0; }
    Window getWindow() const { return window; }
    // Handles an event for the field's window; true when it was one.
    bool handleEvent(XEvent& event);
    // Ends the edit (Return: byReturn) and tells the client; the field is then done.
    void finish(bool byReturn);
    bool isFinished() const { return finished; }
    const std::string& getText() const { return buffer.text(); }

private:
    void draw();
    void keyPress(XKeyEvent& key);
    // The x of a byte offset of the text, and the offset nearest to an x.
    double xOf(size_t offset);
    size_t offsetAt(int x);
    void keepCaretVisible();
    int device(int logical) const { return int(std::lround(logical * scale)); }
    void copy(Atom selection, Time time);
    void requestPaste(Atom selection, Time time);
    void receivePaste(const XSelectionEvent& event);
    void answerRequest(const XSelectionRequestEvent& request);

    Display* display;
    Window window = 0;
    EditFieldParams params;
    EditFieldClient* client;
    EditBuffer buffer;
    std::string original;
    Measure measure;            // with the field's font, for caret and click positions
    XIM inputMethod = nullptr;
    XIC inputContext = nullptr;
    double scroll = 0;          // pixels of text hidden at the left
    bool selecting = false;     // the left button is held in the field
    Time lastClick = 0;
    std::string copied;         // what this field offers as the clipboard
    Atom clipboardAtom, utf8Atom, targetsAtom, pasteAtom;
    Atom pasteTarget = 0;
    bool finished = false;
    double scale = 1.0;
};

class Tooltip {
public:
    // scale: device pixels per logical pixel (text and size grow by it).
    Tooltip(Display* display, int screen, double scale = 1.0);
    ~Tooltip();
    // Shows the text below the rectangle (root coordinates).
    void show(int rootLeft, int rootBottom, const std::string& text);
    void hide();
    bool handleEvent(const XEvent& event);
    bool isVisible() const { return visible; }

private:
    void draw();

    Display* display;
    int screen;
    Window window = 0;
    std::vector<std::string> lines;
    int width = 0, height = 0;  // device pixels
    bool visible = false;
    double scale = 1.0;
};

}  // namespace orva::platform::x11
