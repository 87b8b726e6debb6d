// The DLL as Windows hosts meet it: its export and import tables, and loading
// and unloading it a hundred times, with and without an open editor, without
// a crash and without leaving handles or window classes behind.
#include "WindowsTestHost.h"

#include "plugin/vst/aeffect.h"
#include "support/ModuleLoader.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <set>
#include <string>
#include <vector>

using namespace testhost;
using namespace wintest;

namespace {

typedef AEffect* (*EntryProc)(audioMasterCallback);

intptr_t plainHost(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

// One host session: load, create, process, optionally open and close the
// editor, close, unload.
void session(HWND parent)
{
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    auto entry = reinterpret_cast<EntryProc>(module.symbol("VSTPluginMain"));
    ASSERT_NE(entry, nullptr);
    AEffect* e = entry(plainHost);
    ASSERT_NE(e, nullptr);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.f);
    double in[2][64] = {{0.5}, {0.5}}, out[2][64] = {};
    double* ins[2] = {in[0], in[1]};
    double* outs[2] = {out[0], out[1]};
    e->processDoubleReplacing(e, ins, outs, 64);
    if (parent) {
        ASSERT_EQ(e->dispatcher(e, effEditOpen, 0, 0, parent, 0.f), 1);
        for (int i = 0; i < 3; ++i) {
            pumpMessages();
            e->dispatcher(e, effEditIdle, 0, 0, nullptr, 0.f);
        }
        e->dispatcher(e, effEditClose, 0, 0, nullptr, 0.f);
        pumpMessages();
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}

// Open handles of the process, counted by asking every possible handle value
// (GetProcessHandleCount is a stub under Wine).
// A host process has the system's user-interface libraries loaded for good;
// so does this one. (Wine's comdlg32 itself leaves a handle behind each time
// it is loaded and unloaded, which would otherwise be counted against us.)
void keepSystemLibrariesLoaded()
{
    for (const char* name : {"user32.dll", "gdi32.dll", "gdiplus.dll", "ole32.dll", "shell32.dll", "comdlg32.dll"})
        LoadLibraryA(name);
}

DWORD handleCount()
{
    DWORD count = 0, flags = 0;
    for (uintptr_t h = 4; h < (1u << 16); h += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags))
            ++count;
    return count;
}

} // namespace

TEST(Module, ExportsExactlyTheEntryPointUnderItsTwoNames)
{
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    EXPECT_EQ(exportedNames(static_cast<HMODULE>(module.nativeHandle())),
              (std::set<std::string>{"VSTPluginMain", "main"}));
    EXPECT_NE(module.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(module.symbol("VSTPluginMain"), module.symbol("main"));
}

TEST(Module, ImportsOnlyLibrariesEveryWindowsHas)
{
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    expectSystemImportsOnly(static_cast<HMODULE>(module.nativeHandle()));
}

TEST(Module, LoadsAndUnloadsAHundredTimes)
{
    keepSystemLibrariesLoaded();
    session(nullptr); // the C runtime's and Wine's first-use allocations
    const DWORD before = handleCount();
    for (int i = 0; i < 100; ++i)
        session(nullptr);
    EXPECT_GT(before, 0u);
    const DWORD after = handleCount();
    std::printf("process handles: %lu before, %lu after 100 sessions\n", static_cast<unsigned long>(before),
                static_cast<unsigned long>(after));
    EXPECT_LE(after, before + 2) << "handles left behind by load and unload";
}

TEST(Module, LoadsAndUnloadsAHundredTimesWithTheEditorOpen)
{
    keepSystemLibrariesLoaded();
    HostWindow window;
    HWND host = window.hwnd;
    ASSERT_NE(host, nullptr) << "no display";
    session(host);
    const DWORD before = handleCount();
    for (int i = 0; i < 100; ++i) {
        session(host);
        ASSERT_FALSE(HasFailure()) << "session " << i;
    }
    EXPECT_LE(handleCount(), before + 2) << "handles left behind by load and unload";
    std::printf("process handles: %lu before, %lu after 100 sessions with the editor\n",
                static_cast<unsigned long>(before), static_cast<unsigned long>(handleCount()));
    EXPECT_EQ(window.child(), nullptr) << "an editor window outlived its editor";
}

// Windows devices and folders as impulse-response paths: refused at once,
// never read (reading CON would wait for console input), EXT. then silent.
TEST(Module, DevicePathsAreRefusedWithoutBlocking)
{
    ModuleLoader module(ZORVAN_PLUGIN_PATH);
    ASSERT_TRUE(module.loaded()) << module.error();
    AEffect* e = reinterpret_cast<EntryProc>(module.symbol("VSTPluginMain"))(plainHost);
    ASSERT_NE(e, nullptr);
    char windowsFolder[MAX_PATH] = {};
    GetWindowsDirectoryA(windowsFolder, MAX_PATH);
    for (const std::string& path : {std::string("CON"), std::string("NUL"), std::string("\\\\.\\pipe\\zorvan-none"),
                                    std::string("\\\\.\\COM1"), std::string(windowsFolder)}) {
        void* data = nullptr;
        const intptr_t size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.f);
        ASSERT_EQ(size, 320);
        std::vector<uint8_t> preset(static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
        std::memset(preset.data() + 60, 0, 260);
        std::memcpy(preset.data() + 60, path.data(), path.size());
        const float ext = 1.f;
        std::memcpy(preset.data() + 24 + 4 * 8, &ext, 4);
        EXPECT_EQ(e->dispatcher(e, effSetChunk, 1, size, preset.data(), 0.f), 1) << path;
        double in[2][64] = {{1.0}, {1.0}}, out[2][64] = {};
        double* ins[2] = {in[0], in[1]};
        double* outs[2] = {out[0], out[1]};
        e->processDoubleReplacing(e, ins, outs, 64);
        for (double v : out[0])
            EXPECT_EQ(v, 0.0) << path << ": EXT. plays something";
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.f);
}
