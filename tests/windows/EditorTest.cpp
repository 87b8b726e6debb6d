// The editor of the Windows DLL under Wine and a virtual X display, opened as
// a child of a test host's window: a screenshot against the Linux build's
// offscreen picture, real pointer events from xdotool (through the X server
// and Wine, as a user's would come) reaching the host as edit gestures and
// automation, the about box, the logo reaching the browser launcher, and the
// LOAD button with Wine's own file dialog typed into.
#include "WindowsTestHost.h"

#include "plugin/vst/aeffect.h"
#include "support/ModuleLoader.h"

#include <windows.h>

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

using namespace testhost;
using wintest::Picture;

namespace {

typedef AEffect* (*EntryProc)(audioMasterCallback);

struct HostCall {
    int32_t opcode;
    int32_t index;
    float opt;
};

std::mutex gCallsMutex;
std::vector<HostCall> gCalls; // every callback but the version request

intptr_t recordingHost(AEffect*, int32_t opcode, int32_t index, intptr_t, void*, float opt)
{
    if (opcode == audioMasterVersion)
        return 2400;
    std::lock_guard<std::mutex> lock(gCallsMutex);
    gCalls.push_back({opcode, index, opt});
    return opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit;
}

std::vector<HostCall> takeCalls()
{
    std::lock_guard<std::mutex> lock(gCallsMutex);
    std::vector<HostCall> calls;
    calls.swap(gCalls);
    return calls;
}

// Runs a program of the Unix side (xdotool, sh); Wine starts ELF binaries too.
// Waits for it unless wait is false.
bool runUnix(const std::string& commandLine, bool wait = true)
{
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::string line = commandLine;
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    DWORD code = 0;
    if (wait) {
        WaitForSingleObject(pi.hProcess, 20000);
        GetExitCodeProcess(pi.hProcess, &code);
    }
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return code == 0;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

Picture readPng(const std::string& path)
{
    Picture p;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return p;
    image.format = PNG_FORMAT_BGRA;
    p.width = static_cast<int>(image.width);
    p.height = static_cast<int>(image.height);
    p.pixels.resize(static_cast<size_t>(p.width) * p.height);
    if (!png_image_finish_read(&image, nullptr, p.pixels.data(), 0, nullptr))
        p = Picture();
    return p;
}

// Kept beside the test for a person to look at.
void writePng(const Picture& p, const std::string& path)
{
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(p.width);
    image.height = static_cast<png_uint_32>(p.height);
    image.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> opaque(p.pixels);
    for (uint32_t& v : opaque)
        v |= 0xff000000u;
    png_image_write_to_file(&image, path.c_str(), 0, opaque.data(), 0, nullptr);
}

class EditorUnderWine : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.loaded()) << module.error();
        auto entry = reinterpret_cast<EntryProc>(module.symbol("VSTPluginMain"));
        ASSERT_NE(entry, nullptr);
        effect = entry(recordingHost);
        ASSERT_NE(effect, nullptr);
        ASSERT_NE(host, nullptr) << "no display";
    }

    void TearDown() override
    {
        if (effect) {
            closeEditor();
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.f);
        }
        pump(2);
    }

    intptr_t dispatch(int32_t opcode, int32_t index = 0, intptr_t value = 0, void* ptr = nullptr, float opt = 0.f)
    {
        return effect->dispatcher(effect, opcode, index, value, ptr, opt);
    }

    void openEditor()
    {
        ERect* rect = nullptr;
        ASSERT_EQ(dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(rect->right - rect->left, 600);
        EXPECT_EQ(rect->bottom - rect->top, 230);
        ASSERT_EQ(dispatch(effEditOpen, 0, 0, host), 1);
        panel = GetWindow(host, GW_CHILD);
        ASSERT_NE(panel, nullptr) << "no child window in the host's";
        pump(15);
        takeCalls();
    }

    void closeEditor()
    {
        if (panel) {
            dispatch(effEditClose);
            panel = nullptr;
        }
    }

    // The host's message loop and editor idle, as a host runs them.
    void pump(int rounds)
    {
        for (int i = 0; i < rounds; ++i) {
            wintest::pumpMessages();
            if (panel)
                dispatch(effEditIdle);
            Sleep(20);
        }
    }

    // xdotool with the pointer at panel coordinates (x, y).
    void pointer(int x, int y, const std::string& then)
    {
        POINT p{x, y};
        ClientToScreen(panel, &p);
        ASSERT_TRUE(runUnix("/usr/bin/xdotool mousemove --sync " + std::to_string(p.x) + " " + std::to_string(p.y) +
                            " " + then));
        pump(5);
    }

    void click(int x, int y) { pointer(x, y, "click 1"); }

    // What the window shows, once the panel had its idle passes.
    Picture capture()
    {
        pump(3);
        return wintest::capture(panel);
    }

    std::string irPath()
    {
        void* data = nullptr;
        const intptr_t size = dispatch(effGetChunk, 1, 0, &data);
        if (size != 320 || !data)
            return std::string();
        return std::string(static_cast<const char*>(data) + 60);
    }

    ModuleLoader module{ZORVAN_PLUGIN_PATH};
    AEffect* effect = nullptr;
    // A borderless window at the screen's origin: the panel's pixels are then
    // at the same screen coordinates for xdotool.
    wintest::HostWindow hostWindow{WS_POPUP | WS_VISIBLE, 600, 230};
    HWND host = hostWindow.hwnd; // the test host's window
    HWND panel = nullptr;        // the editor's child window while open
};

// Counts of the pixels that differ by more than a little in any channel,
// inside and outside the rectangles where text is drawn.
struct Difference {
    int inText = 0;
    int elsewhere = 0;
    int largestElsewhere = 0;
    RECT where{600, 230, 0, 0}; // bounds of the differences outside the text
};

Difference compare(const Picture& a, const Picture& b, const std::vector<RECT>& textAreas)
{
    Difference d;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const uint32_t p = a.at(x, y), q = b.at(x, y);
            int largest = 0;
            for (int shift = 0; shift < 24; shift += 8)
                largest = std::max(
                    largest, std::abs(static_cast<int>((p >> shift) & 255) - static_cast<int>((q >> shift) & 255)));
            if (largest <= 2)
                continue;
            bool text = false;
            for (const RECT& r : textAreas)
                text |= x >= r.left && x < r.right && y >= r.top && y < r.bottom;
            if (text) {
                ++d.inText;
            } else {
                ++d.elsewhere;
                d.largestElsewhere = std::max(d.largestElsewhere, largest);
                d.where.left = std::min<LONG>(d.where.left, x);
                d.where.top = std::min<LONG>(d.where.top, y);
                d.where.right = std::max<LONG>(d.where.right, x + 1);
                d.where.bottom = std::max<LONG>(d.where.bottom, y + 1);
            }
        }
    return d;
}

} // namespace

TEST_F(EditorUnderWine, ShowsThePanelTheLinuxBuildDraws)
{
    effect->setParameter(effect, 8, 1.f); // EXT.: the LOAD button and the file name
    openEditor();
    const Picture shot = capture();
    writePng(shot, "panel-wine.png");
    const Picture linux = readPng(std::string(ZORVAN_LINUX_RENDERS) + "\\panel-ext.png");
    ASSERT_EQ(linux.width, 600) << "no Linux panel picture: run the Linux build's tests first";
    ASSERT_EQ(linux.height, 230);
    // The file-name label: the only text on the panel; fonts rasterise differently.
    const Difference d = compare(shot, linux, {{85, 203, 515, 215}});
    std::printf("screenshot against the Linux picture: %d pixels differ in the text, %d elsewhere (largest %d)\n",
                d.inText, d.elsewhere, d.largestElsewhere);
    EXPECT_EQ(d.elsewhere, 0) << "largest channel difference outside the text: " << d.largestElsewhere;
    EXPECT_GT(d.inText, 0) << "no file name drawn";
    EXPECT_LT(d.inText, 300);
}

TEST_F(EditorUnderWine, PointerDragAndClickReachTheHostAsEditGestures)
{
    openEditor();
    // GAIN: press in the knob, move 40 pixels up (200 pixels span the range), release.
    pointer(186, 164, "mousedown 1");
    pointer(186, 144, "");
    pointer(186, 124, "mouseup 1");
    std::vector<HostCall> calls = takeCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls.front().index, 2);
    EXPECT_EQ(calls.back().opcode, audioMasterEndEdit);
    EXPECT_EQ(calls.back().index, 2);
    for (size_t i = 1; i + 1 < calls.size(); ++i) {
        EXPECT_EQ(calls[i].opcode, audioMasterAutomate);
        EXPECT_EQ(calls[i].index, 2);
    }
    EXPECT_NEAR(calls[calls.size() - 2].opt, 0.7f, 1e-4f);
    EXPECT_NEAR(effect->getParameter(effect, 2), 0.7f, 1e-4f);

    // The cabinet switch's bottom band: EXT.
    click(540, 180);
    calls = takeCalls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(calls[1].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[1].opt, 1.f);
    EXPECT_EQ(calls[2].opcode, audioMasterEndEdit);
    for (const HostCall& c : calls)
        EXPECT_EQ(c.index, 8);
    EXPECT_EQ(effect->getParameter(effect, 8), 1.f);
}

TEST_F(EditorUnderWine, AboutBoxOpensAndCloses)
{
    effect->setParameter(effect, 8, 1.f); // as the Linux picture has it
    openEditor();
    const Picture before = capture();
    click(570, 213);
    const Picture open = capture();
    const Picture linuxAbout = readPng(std::string(ZORVAN_LINUX_RENDERS) + "\\panel-about.png");
    ASSERT_EQ(linuxAbout.width, 600);
    // The version text inside the box and the file name on the panel are the texts.
    const Difference d = compare(open, linuxAbout, {{280, 15, 360, 30}, {85, 203, 515, 215}});
    EXPECT_EQ(d.elsewhere, 0) << "the about box differs from the Linux build's, largest " << d.largestElsewhere
                              << " in " << d.where.left << "," << d.where.top << " - " << d.where.right << ","
                              << d.where.bottom;
    EXPECT_GT(d.inText, 0) << "no version text";
    // A knob under the box does not react while it is open.
    click(186, 164);
    EXPECT_TRUE(takeCalls().empty());
    click(300, 100); // inside the box: closes it
    const Difference closed = compare(capture(), before, {});
    EXPECT_EQ(closed.elsewhere, 0) << "the panel did not come back";
}

TEST_F(EditorUnderWine, LogoOpensTheWebAddressThroughTheSystem)
{
    const std::string log = ZORVAN_XDG_OPEN_LOG;
    DeleteFileA(log.c_str());
    openEditor();
    click(300, 68);
    // Wine hands the address to the desktop's launcher, our stand-in.
    std::string opened;
    for (int i = 0; i < 100 && opened.empty(); ++i) {
        pump(1);
        opened = readFile(log);
    }
    EXPECT_EQ(opened, "https://www.zorvan.example/\n");
}

TEST_F(EditorUnderWine, LoadButtonOpensTheSystemFileDialog)
{
    const std::string wav = std::string(ZORVAN_LINUX_RENDERS) + "\\cabinet.wav";
    ASSERT_NE(GetFileAttributesA(wav.c_str()), INVALID_FILE_ATTRIBUTES) << wav;
    effect->setParameter(effect, 8, 1.f);
    openEditor();
    // The dialog is modal inside the button's release: a helper types into it
    // once it shows.
    std::string typed = wav;
    const std::string script = "/bin/sh -c \"/usr/bin/xdotool search --sync --name 'Load Impulse Response' "
                               "windowfocus --sync %1 sleep 0.5 type --delay 10 '" +
        typed + "' && sleep 0.3 && /usr/bin/xdotool key Return\"";
    ASSERT_TRUE(runUnix(script, false));
    click(533, 209);
    pump(5);
    EXPECT_EQ(irPath(), wav);
    // The response is in: EXT. plays.
    double in[2][256] = {}, out[2][256] = {};
    in[0][0] = in[1][0] = 0.5;
    double* ins[2] = {in[0], in[1]};
    double* outs[2] = {out[0], out[1]};
    effect->processDoubleReplacing(effect, ins, outs, 256);
    double energy = 0;
    for (double v : out[0])
        energy += v * v;
    EXPECT_GT(energy, 1e-8);
}
