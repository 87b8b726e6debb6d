// What the Windows tests share: a module's export and import tables, a host
// window of the test's own with its message loop, a panel read back through
// GDI, and the VST 2.4 DLL's panel as the picture the other formats' panels
// must show.
#pragma once

#include "plugin/vst/aeffect.h"
#include "support/ModuleLoader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <set>
#include <string>
#include <vector>

namespace wintest {

inline const IMAGE_DATA_DIRECTORY& directory(HMODULE module, int index)
{
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    return nt->OptionalHeader.DataDirectory[index];
}

// The names a module exports (every export must have one).
inline std::set<std::string> exportedNames(HMODULE module)
{
    std::set<std::string> names;
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_DATA_DIRECTORY& dir = directory(module, IMAGE_DIRECTORY_ENTRY_EXPORT);
    if (!dir.VirtualAddress)
        return names;
    const auto* exports = reinterpret_cast<const IMAGE_EXPORT_DIRECTORY*>(base + dir.VirtualAddress);
    const auto* nameRvas = reinterpret_cast<const DWORD*>(base + exports->AddressOfNames);
    for (DWORD i = 0; i < exports->NumberOfNames; ++i)
        names.insert(reinterpret_cast<const char*>(base + nameRvas[i]));
    EXPECT_EQ(exports->NumberOfFunctions, exports->NumberOfNames) << "exports by ordinal only";
    return names;
}

// The libraries a module imports from, in lower case; none may be delay-loaded.
inline std::set<std::string> importedLibraries(HMODULE module)
{
    std::set<std::string> names;
    const auto* base = reinterpret_cast<const uint8_t*>(module);
    const IMAGE_DATA_DIRECTORY& dir = directory(module, IMAGE_DIRECTORY_ENTRY_IMPORT);
    for (auto* d = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); d && d->Name; ++d) {
        std::string name = reinterpret_cast<const char*>(base + d->Name);
        std::transform(name.begin(), name.end(), name.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        names.insert(name);
    }
    const IMAGE_DATA_DIRECTORY& delayed = directory(module, IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT);
    EXPECT_EQ(delayed.VirtualAddress, 0u) << "delay-loaded imports";
    return names;
}

// Every library the module imports is one every Windows has: nothing has to
// be installed beside the plug-in.
inline void expectSystemImportsOnly(HMODULE module)
{
    const std::set<std::string> allowed = {"kernel32.dll", "user32.dll",  "gdi32.dll", "gdiplus.dll",
                                           "comdlg32.dll", "shell32.dll", "ole32.dll", "msvcrt.dll"};
    for (const std::string& name : importedLibraries(module))
        EXPECT_TRUE(allowed.count(name)) << name << " is not a system library every Windows has";
}

// The module at path exports exactly the given names and imports only
// system libraries.
inline void expectModuleTables(const char* path, const std::set<std::string>& exports)
{
    testhost::ModuleLoader module(path);
    ASSERT_TRUE(module.loaded()) << module.error();
    const HMODULE m = static_cast<HMODULE>(module.nativeHandle());
    EXPECT_EQ(exportedNames(m), exports);
    expectSystemImportsOnly(m);
}

// A top-level window standing in for a host's editor window, at the screen's
// origin; destroyed with the object.
struct HostWindow {
    explicit HostWindow(DWORD style = WS_OVERLAPPEDWINDOW | WS_VISIBLE, int width = 640, int height = 280)
    {
        static const char* const kClass = "ZorvanTestHost";
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        RegisterClassExA(&wc);
        hwnd = CreateWindowExA(0, kClass, "host", style, 0, 0, width, height, nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~HostWindow()
    {
        if (hwnd)
            DestroyWindow(hwnd);
    }
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;
    // The first child window (an open panel), or null.
    HWND child() const { return GetWindow(hwnd, GW_CHILD); }

    HWND hwnd = nullptr;
};

// The host's message loop: rounds of delivering every waiting message, with
// a pause after each so that timers come due.
inline void pumpMessages(int rounds = 1, DWORD pause = 0)
{
    for (int i = 0; i < rounds; ++i) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (pause)
            Sleep(pause);
    }
}

// A window's pixels as 0x00RRGGBB.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x] & 0xffffff; }
};

// What the window shows, read back through GDI.
inline Picture capture(HWND window, int width = 600, int height = 230)
{
    Picture p;
    p.width = width;
    p.height = height;
    p.pixels.resize(static_cast<size_t>(width) * height);
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    GdiFlush();
    std::memcpy(p.pixels.data(), bits, p.pixels.size() * 4);
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    for (uint32_t& v : p.pixels)
        v &= 0xffffff;
    return p;
}

// The VST 2.4 DLL's panel with the default program and the cabinet switch
// at the given value, opened in host, idled as a VST 2.4 host does, read
// back and closed again.
inline Picture vst2Panel(HWND host, float cabinet)
{
    testhost::ModuleLoader module(ZORVAN_PLUGIN_PATH);
    typedef AEffect* (*EntryProc)(audioMasterCallback);
    auto entry = reinterpret_cast<EntryProc>(module.symbol("VSTPluginMain"));
    AEffect* e = entry ? entry([](AEffect*, int32_t opcode, int32_t, intptr_t, void*, float) -> intptr_t {
        return opcode == audioMasterVersion ? 2400 : 0;
    })
                       : nullptr;
    if (!e)
        return Picture();
    e->setParameter(e, 8, cabinet);
    Picture p;
    if (e->dispatcher(e, effEditOpen, 0, 0, host, 0.f) == 1) {
        for (int i = 0; i < 3; ++i) {
            pumpMessages();
            e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
        }
        p = capture(GetWindow(host, GW_CHILD));
        e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
    pumpMessages();
    return p;
}

// A host window, and the VST 2.4 DLL's panel in it with the cabinet switch
// at INT. and at EXT.: what another format's panel must show in the window.
struct PanelReferences : ::testing::Test {
    void SetUp() override
    {
        ASSERT_NE(host.hwnd, nullptr) << "no display";
        plain = vst2Panel(host.hwnd, 0.f);
        ext = vst2Panel(host.hwnd, 1.f);
        ASSERT_EQ(plain.width, 600);
        ASSERT_NE(plain.pixels, ext.pixels);
    }

    HostWindow host;
    Picture plain; // the default program
    Picture ext;   // the same with the cabinet switch at EXT.
};

// How many pixels of two pictures of one size differ (all of them for two sizes).
inline size_t differingPixels(const Picture& a, const Picture& b)
{
    if (a.width != b.width || a.height != b.height)
        return std::max(a.pixels.size(), b.pixels.size());
    size_t n = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}

} // namespace wintest
