// Mox_FileSelector: the load, save and folder dialogs of the text entries. The
// dialog is a separate program (zenity, else kdialog) started without a shell;
// the editor's thread never waits for it: start() returns at once and poll(),
// called at the frame-timer ticks, picks up the answer once the program has
// ended. No dialog program, a cancelled dialog or an answer that is not a usable
// path: nothing is chosen.
#pragma once

#include "toolkit/CBaseObject.h"

#include <string>
#include <sys/types.h>
#include <vector>

class Mox_FileSelector : public VSTGUI::CBaseObject {
public:
    enum Kind { kLoad, kSave, kFolder };
    enum State { kIdle, kOpen, kChosen, kNothing };
    // Longest path taken, with its terminating zero.
    static constexpr size_t kPathSize = 260;

    Mox_FileSelector() = default;
    ~Mox_FileSelector() override;  // ends a dialog still open

    // Opens the dialog; false while one of this selector is open or when no
    // dialog program can be started. filterName / filterPattern: e.g. "Wav", "*.wav".
    bool start(Kind kind, const char* filterName, const char* filterPattern, const char* title);
    // Never blocks. kOpen while the dialog runs; then once kChosen (path()) or
    // kNothing, after which the selector is idle again.
    State poll();
    bool busy() const { return child > 0; }
    const std::string& path() const { return result; }

    // The programs tried, in order: names searched on PATH, or paths. The
    // arguments follow kdialog's form for a program named kdialog, else zenity's.
    static void setDialogPrograms(const std::vector<std::string>& programs);

private:
    void drain();
    bool acceptable(const std::string& chosen) const;

    Kind kind = kLoad;
    pid_t child = -1;
    int output = -1;
    std::string answer;
    std::string result;
};
