// The panel's two ways out on Windows: the common open-file dialog (modal,
// with the record the Windows API defines) and the shell's "open" of the web
// address.
#include "editor/SystemDialogs.h"

#include <windows.h>
// After windows.h, whose types they use:
#include <commdlg.h>
#include <shellapi.h>

#include <cstring>

namespace zorvan {

// GetOpenFileNameA can only be modal: start() shows it and waits on this
// thread until the user confirms or cancels, then keeps the answer for poll().
bool IrFileDialog::start(void* ownerWindow)
{
    if (isOpen())
        return false;
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
    if (GetOpenFileNameA(&dialog)) {
        chosen_ = file;
        answer_ = Answer::Chosen;
    } else {
        chosen_.clear();
        answer_ = Answer::Cancelled;
    }
    return true;
}

IrFileDialog::Answer IrFileDialog::poll(std::string& path)
{
    const Answer a = answer_;
    if (a == Answer::Chosen)
        path = chosen_;
    answer_ = Answer::None;
    chosen_.clear();
    return a;
}

void IrFileDialog::cancel()
{
    answer_ = Answer::None;
    chosen_.clear();
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
