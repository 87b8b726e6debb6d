// The two actions of the panel that leave the plug-in: the open-file dialog
// for an impulse response and the vendor's web page. Both run programs of the
// desktop (zenity or kdialog, xdg-open) found on PATH, started with an
// argument vector and never through a shell.
//
// Threads: the host's user-interface thread.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace zorvan {

// Bytes of a program's impulse-response path, its NUL included.
constexpr size_t kMaxIrPath = 260;

// The dialog "Load Impulse Response" for *.wav files. Where the system lets
// it (a dialog program of the desktop) it runs beside the host: start()
// returns at once and poll(), called from the editor's idle, collects the
// answer, so the host's interface keeps running. A system dialog that can
// only be modal answers within start() and poll() hands the answer over.
class IrFileDialog {
public:
    enum class Answer { None, Pending, Chosen, Cancelled };

    IrFileDialog() = default;
    ~IrFileDialog() { cancel(); }
    IrFileDialog(const IrFileDialog&) = delete;
    IrFileDialog& operator=(const IrFileDialog&) = delete;

    // Opens the dialog. False while one is open, or when no dialog could be
    // started (which counts as a cancel). ownerWindow is our window, or null.
    bool start(void* ownerWindow);
    // Pending while the dialog is open; Chosen with path once the user picked
    // an existing file whose path fits kMaxIrPath; Cancelled for a cancel, a
    // failure or a path too long; None when no dialog was started. An answer
    // is handed out once.
    Answer poll(std::string& path);
    bool isOpen() const { return process_ != -1 || answer_ != Answer::None; }
    // Ends a dialog still open, without an answer.
    void cancel();

private:
    Answer finish(int exitStatus, std::string& path);

    long process_ = -1;            // the dialog program while it runs, or -1
    int output_ = -1;              // read end of its standard output, or -1
    std::string printed_;          // what it printed so far
    Answer answer_ = Answer::None; // an answer waiting for poll (modal dialogs)
    std::string chosen_;           // its path
};

// Starts the user's web browser on url. Returns the helper's process id, to
// be reaped later, or -1 when it could not be started.
pid_t openWebAddress(const char* url);

// Reaps those of pids that have ended and removes them; with waitMs > 0 waits
// up to that long for the others.
void reapChildren(std::vector<pid_t>& pids, int waitMs = 0);

} // namespace zorvan
