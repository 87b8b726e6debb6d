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

// Shows the dialog "Load Impulse Response" for *.wav files and waits for it.
// True with the chosen path when the user picked an existing file whose path
// fits kMaxIrPath; false for a cancel, a failure or a path too long.
// ownerWindow is our X11 window, or null.
bool runIrFileDialog(void* ownerWindow, std::string& path);

// Starts the user's web browser on url. Returns the helper's process id, to
// be reaped later, or -1 when it could not be started.
pid_t openWebAddress(const char* url);

// Reaps those of pids that have ended and removes them; with waitMs > 0 waits
// up to that long for the others.
void reapChildren(std::vector<pid_t>& pids, int waitMs = 0);

} // namespace zorvan
