// The Win32 editor timer: a timer of the editor's child window whose
// callback idles the editor. Running timers are looked up by id, so a
// WM_TIMER that was already queued when its timer stopped finds nothing and
// does nothing. The timers die with the window at the latest.
#include "toolkit/EditorIdleTimer.h"

#include "toolkit/AEffGUIEditor.h"

#include <windows.h>

#include <map>
#include <mutex>

namespace {

std::mutex gTimersMutex;                    // guards the two below
std::map<UINT_PTR, AEffGUIEditor*> gTimers; // running timers' ids -> the editor each idles
UINT_PTR gLastId = 0;                       // the last id handed out

void CALLBACK timerFired(HWND, UINT, UINT_PTR id, DWORD)
{
    AEffGUIEditor* editor = nullptr;
    {
        std::lock_guard<std::mutex> lock(gTimersMutex);
        auto it = gTimers.find(id);
        if (it == gTimers.end())
            return;
        editor = it->second;
    }
    // On the thread that runs the window, as the timer itself: the editor
    // cannot go away meanwhile.
    editor->idle();
}

} // namespace

bool EditorIdleTimer::available()
{
    return true;
}

bool EditorIdleTimer::start(AEffGUIEditor& editor, uint32_t interval)
{
    stop();
    VSTGUI::CFrame* frame = editor.getFrame();
    HWND hwnd = frame ? static_cast<HWND>(frame->getSystemWindow()) : nullptr;
    if (!hwnd)
        return false;
    UINT_PTR newId;
    {
        std::lock_guard<std::mutex> lock(gTimersMutex);
        if (++gLastId == 0) // 0 means "no timer"
            ++gLastId;
        newId = gLastId;
        gTimers[newId] = &editor;
    }
    if (!SetTimer(hwnd, newId, interval, timerFired)) {
        std::lock_guard<std::mutex> lock(gTimersMutex);
        gTimers.erase(newId);
        return false;
    }
    window = hwnd;
    id = newId;
    return true;
}

void EditorIdleTimer::stop()
{
    if (!id)
        return;
    HWND hwnd = static_cast<HWND>(window);
    if (IsWindow(hwnd))
        KillTimer(hwnd, id);
    {
        std::lock_guard<std::mutex> lock(gTimersMutex);
        gTimers.erase(id);
    }
    window = nullptr;
    id = 0;
}
