// The X11 side of a frame: a child window inside the host's window, painted from
// the frame's back buffer with cairo, with the host's mouse and key events turned
// into the toolkit's button states.
//
// Threads. The frame's window has its own X connection. Its events are read and
// dispatched, and the toolkit's timers fired, by whoever pumps it:
//  - normally the host's effEditIdle on the user-interface thread
//    (AEffGUIEditor::idle calls pumpEvents and fires the timers);
//  - for a host that never idles the editor, a fallback thread: when no idle call
//    has arrived within 500 ms of opening, the frame's own event thread takes over
//    pumping and firing for the rest of the frame's life, waiting in poll() on the
//    X connection (and a self-pipe that wakes it to stop) until the next timer.
// Every pump, on either thread, holds uiMutex(), as do the editor's open, close
// and idle; so views are never entered from two threads at once, and with a host
// that idles they are only ever entered from its user-interface thread.
//
// X errors (a host that destroys its window before effEditClose, for instance)
// are caught by an error handler that records them for our connections and hands
// any other connection's errors to the handler that was installed before ours, so
// the default handler that exits the process never sees ours.
#pragma once

#include "platform/PlatformFrame.h"

#include <mutex>

namespace orva::platform {

// Held while the toolkit is entered from a host call or the fallback thread.
std::recursive_timed_mutex& uiMutex();

// A host call (or a test playing one) entering the toolkit: holds uiMutex() and
// marks the calling thread as the one running the editor for the scope's life.
class UiEntry {
public:
    UiEntry();
    ~UiEntry();
    UiEntry(const UiEntry&) = delete;
    UiEntry& operator=(const UiEntry&) = delete;
};
// True while the calling thread runs the editor: inside a UiEntry, or the
// fallback thread pumping events and timers.
bool insideUiEntry();
// The fallback thread's own marking (it takes the lock with a timeout).
void markUiEntry(int delta);

// The scale the X server's Xft.dpi resource asks for (scaleForXftDpi of its
// value), read over a connection of its own to the default display; 1 when there
// is no server or the resource is unset.
double xftDpiScale();

// Errors recorded for connections opened by the toolkit since the start.
unsigned long xErrorCount();

}  // namespace orva::platform
