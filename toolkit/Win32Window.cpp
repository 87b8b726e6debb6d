// The Win32 back-end: a child window inside the host's window, painted from
// the frame's back buffer (a DIB section) with GDI, its mouse and key messages
// handed to the frame. The host's message loop delivers the messages; while a
// button is held the window captures the mouse, so drags that leave it still
// reach the control.
//
// Threads: created, used and destroyed on the host's user-interface thread.
#include "toolkit/BackBuffer.h"
#include "toolkit/CFrame.h"
#include "toolkit/PlatformWindow.h"

#include <windows.h>
// After windows.h, whose types they use:
#include <ole2.h>
#include <windowsx.h>

#include <cstdio>
#include <map>
#include <mutex>

namespace VSTGUI {

namespace {

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// This module, found from our own code (a host may load two copies of the
// plug-in from two paths: each registers its own class).
HINSTANCE ownModule()
{
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&windowProc), &module);
    return module;
}

// The window class lives while one of our windows does: unregistered with the
// last one, so that a module unloaded and loaded again at another address
// never finds a class whose window procedure is gone.
std::mutex gClassMutex;   // guards the two below
int gClassUsers = 0;      // windows of ours alive
char gClassName[64] = {}; // "ZorvanFrame" and the module's address

const char* acquireClass()
{
    std::lock_guard<std::mutex> lock(gClassMutex);
    if (gClassUsers == 0) {
        HINSTANCE module = ownModule();
        std::snprintf(gClassName, sizeof gClassName, "ZorvanFrame%p", static_cast<void*>(module));
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS;
        wc.lpfnWndProc = windowProc;
        wc.hInstance = module;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = gClassName;
        if (!RegisterClassExA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
            return nullptr;
    }
    ++gClassUsers;
    return gClassName;
}

void releaseClass()
{
    std::lock_guard<std::mutex> lock(gClassMutex);
    if (gClassUsers > 0 && --gClassUsers == 0)
        UnregisterClassA(gClassName, ownModule());
}

int32_t modifiers(WPARAM wParam)
{
    int32_t buttons = 0;
    if (wParam & MK_SHIFT)
        buttons |= kShift;
    if (wParam & MK_CONTROL)
        buttons |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        buttons |= kAlt;
    return buttons;
}

int32_t heldButtons(WPARAM wParam)
{
    int32_t buttons = modifiers(wParam);
    if (wParam & MK_LBUTTON)
        buttons |= kLButton;
    if (wParam & MK_MBUTTON)
        buttons |= kMButton;
    if (wParam & MK_RBUTTON)
        buttons |= kRButton;
    return buttons;
}

bool keyCode(WPARAM vk, VstKeyCode& key)
{
    key.character = 0;
    key.virt = 0;
    key.modifier = 0;
    if (GetKeyState(VK_SHIFT) < 0)
        key.modifier |= MODIFIER_SHIFT;
    if (GetKeyState(VK_MENU) < 0)
        key.modifier |= MODIFIER_ALTERNATE;
    if (GetKeyState(VK_CONTROL) < 0)
        key.modifier |= MODIFIER_CONTROL;
    switch (vk) {
    case VK_LEFT:
        key.virt = VKEY_LEFT;
        return true;
    case VK_RIGHT:
        key.virt = VKEY_RIGHT;
        return true;
    case VK_UP:
        key.virt = VKEY_UP;
        return true;
    case VK_DOWN:
        key.virt = VKEY_DOWN;
        return true;
    case VK_ESCAPE:
        key.virt = VKEY_ESCAPE;
        return true;
    case VK_RETURN:
        key.virt = VKEY_RETURN;
        return true;
    default: {
        const UINT c = MapVirtualKeyA(static_cast<UINT>(vk), MAPVK_VK_TO_CHAR) & 0x7fff;
        if (c < 0x20 || c >= 0x7f)
            return false;
        key.character = static_cast<int32_t>(c >= 'A' && c <= 'Z' && !(key.modifier & MODIFIER_SHIFT) ? c + 32 : c);
        return true;
    }
    }
}

class Win32Window final : public IPlatformWindow {
public:
    Win32Window(CFrame& frame) : frame(frame) {}

    bool create(HWND parent, int width, int height)
    {
        className = acquireClass();
        if (!className)
            return false;
        hwnd = CreateWindowExA(0, className, "", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0, width,
                               height, parent, nullptr, ownModule(), nullptr);
        if (!hwnd)
            return false;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        return true;
    }

    ~Win32Window() override
    {
        if (hwnd) {
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            if (IsWindow(hwnd))
                DestroyWindow(hwnd);
        }
        if (className)
            releaseClass();
    }

    void* getSystemWindow() const override { return hwnd; }

    void present(CBackBuffer& backBuffer, const CRect& area) override
    {
        buffer = &backBuffer;
        if (!hwnd)
            return;
        HDC dc = GetDC(hwnd);
        if (!dc)
            return;
        blit(dc, area);
        ReleaseDC(hwnd, dc);
    }

    // The host's message loop delivers our messages.
    void pumpEvents(CFrame&) override {}

    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam)
    {
        switch (message) {
        case WM_ERASEBKGND:
            return 1; // the back buffer covers everything
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            const CRect area(ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom);
            if (buffer)
                blit(dc, area);
            else
                frame.invalidRect(area); // not drawn yet: the next idle pass draws it
            EndPaint(hwnd, &ps);
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            return press(wParam, lParam, kLButton);
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return press(wParam, lParam, kMButton);
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            return press(wParam, lParam, kRButton);
        case WM_LBUTTONUP:
            return release(wParam, lParam, kLButton);
        case WM_MBUTTONUP:
            return release(wParam, lParam, kMButton);
        case WM_RBUTTONUP:
            return release(wParam, lParam, kRButton);
        case WM_MOUSEMOVE: {
            CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
            frame.onMouseMoved(where, heldButtons(wParam));
            return 0;
        }
        case WM_KEYDOWN:
        case WM_KEYUP: {
            VstKeyCode key{};
            if (keyCode(wParam, key)) {
                if (message == WM_KEYDOWN)
                    frame.onKeyDown(key);
                else
                    frame.onKeyUp(key);
            }
            return 0;
        }
        case WM_DESTROY:
            hwnd = nullptr; // destroyed with the host's window
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
    }

private:
    void blit(HDC dc, const CRect& area)
    {
        HDC memory = CreateCompatibleDC(dc);
        if (!memory)
            return;
        HGDIOBJ old = SelectObject(memory, static_cast<HBITMAP>(buffer->getSystemBitmap()));
        BitBlt(dc, area.left, area.top, area.width(), area.height(), memory, area.left, area.top, SRCCOPY);
        SelectObject(memory, old);
        DeleteDC(memory);
    }

    LRESULT press(WPARAM wParam, LPARAM lParam, int32_t bit)
    {
        // Every move and the release come to us until the last button is up.
        SetCapture(hwnd);
        CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        frame.onMouseDown(where, modifiers(wParam) | bit);
        return 0;
    }

    LRESULT release(WPARAM wParam, LPARAM lParam, int32_t bit)
    {
        if (!(wParam & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON)) && GetCapture() == hwnd)
            ReleaseCapture();
        CPoint where(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        frame.onMouseUp(where, modifiers(wParam) | bit);
        return 0;
    }

    CFrame& frame;                   // the view tree shown
    HWND hwnd = nullptr;             // our child window
    const char* className = nullptr; // registered class, while we hold it
    CBackBuffer* buffer = nullptr;   // last presented back buffer (the frame's)
};

LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window)
        return DefWindowProcA(hwnd, message, wParam, lParam);
    return window->handle(message, wParam, lParam);
}

// OLE initialisations of ours that succeeded and are not yet undone, per
// thread. A table rather than thread_local storage: in a DLL with a static
// runtime that would register the thread with winpthreads and leave handles
// behind at every unload.
std::mutex gOleMutex;           // guards gOleInits
std::map<DWORD, int> gOleInits; // thread id -> count

} // namespace

const WindowSystem kWindowSystem = WindowSystem::Win32;

std::unique_ptr<IPlatformWindow> createPlatformWindow(void* parent, int width, int height, CFrame& frame)
{
    HWND parentWindow = static_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow) || width <= 0 || height <= 0)
        return nullptr;
    auto window = std::make_unique<Win32Window>(frame);
    if (!window->create(parentWindow, width, height))
        return nullptr;
    return window;
}

uint64_t currentThreadId()
{
    return GetCurrentThreadId();
}

void initEditorThread()
{
    // S_FALSE (already initialised on this thread) counts too; a thread the
    // host set up for the multithreaded apartment refuses, and is left alone.
    if (SUCCEEDED(OleInitialize(nullptr))) {
        std::lock_guard<std::mutex> lock(gOleMutex);
        ++gOleInits[GetCurrentThreadId()];
    }
}

void exitEditorThread()
{
    {
        std::lock_guard<std::mutex> lock(gOleMutex);
        auto it = gOleInits.find(GetCurrentThreadId());
        if (it == gOleInits.end())
            return;
        if (--it->second == 0)
            gOleInits.erase(it);
    }
    OleUninitialize();
}

} // namespace VSTGUI
