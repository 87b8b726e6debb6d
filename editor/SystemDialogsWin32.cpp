// The panel's two ways out on Windows: the common open-file dialog and the
// shell's "open" of the web address.
#include "editor/SystemDialogs.h"

#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

namespace zorvan {

bool runIrFileDialog(void* ownerWindow, std::string& path)
{
    char file[kMaxIrPath] = {};
    OPENFILENAMEA dialog;
    std::memset(&dialog, 0, sizeof dialog);
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = static_cast<HWND>(ownerWindow);
    dialog.lpstrFilter = "Wave File (*.wav)\0*.wav\0";
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof file;
    dialog.lpstrTitle = "Load Impulse Response";
    dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
    dialog.lpstrDefExt = "wav";
    // Modal on this thread until the user confirms or cancels.
    if (!GetOpenFileNameA(&dialog))
        return false;
    path = file;
    return true;
}

pid_t openWebAddress(const char* url)
{
    if (!url || !*url)
        return -1;
    // The result is not examined; no process of ours is left to reap.
    ShellExecuteA(nullptr, "open", url, nullptr, nullptr, SW_SHOWNORMAL);
    return -1;
}

void reapChildren(std::vector<pid_t>& pids, int)
{
    pids.clear();
}

} // namespace zorvan
