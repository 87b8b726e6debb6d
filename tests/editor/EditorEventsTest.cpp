// The two-way synchronisation of panel and plug-in: control moves reach the
// plug-in and the host with edit gestures, host and program changes reach the
// controls (from other threads through idle), the impulse-response views
// follow the cabinet, and the about box, web address and file dialog work.
#include "EditorTestSupport.h"

#include "editor/CAboutContainer.h"
#include "toolkit/CKickButton.h"
#include "toolkit/CSplashScreen.h"
#include "toolkit/CTextLabel.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

using namespace VSTGUI;
using edtest::EditorFixture;
using edtest::HostCall;
using edtest::StandInPath;
using edtest::takeHostCalls;

namespace {

constexpr int32_t kBegin = audioMasterBeginEdit;
constexpr int32_t kEnd = audioMasterEndEdit;
constexpr int32_t kAutomate = audioMasterAutomate;

bool lastTwoAreIrViews(CFrame* f, zorvanGUI* gui)
{
    const int n = f->getNbViews();
    return n >= 2 && f->getView(n - 2) == gui->getIrLoadButton() && f->getView(n - 1) == gui->getIrNameLabel();
}

TEST_F(EditorFixture, DraggingGainAutomatesInsideOneEdit)
{
    openPanel();
    press(186, 164);
    moveTo(226, 164); // 40 pixels right: +0.2
    moveTo(226, 144); // and 20 up: +0.1
    release(226, 144);
    // The knob's own arithmetic: press value plus movement times 1/200.
    const float coef = 1.f / 200.f;
    EXPECT_EQ(plugin.getParameter(kGain), 0.5f + 60.f * coef);
    EXPECT_FLOAT_EQ(gui->getParameterControl(kGain)->getValue(), 0.8f);
    const std::vector<HostCall> expected = {{kBegin, 2, 0.f},
                                            {kAutomate, 2, 0.5f + 40.f * coef},
                                            {kAutomate, 2, 0.5f + 60.f * coef},
                                            {kEnd, 2, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);
}

TEST_F(EditorFixture, CabinetSwitchBottomBandShowsLoadAndName)
{
    openPanel();
    const int views = frame()->getNbViews();
    click(540, 145 + 30);
    EXPECT_EQ(plugin.getParameter(kCabinet), 1.f);
    EXPECT_TRUE(plugin.cabinetExternal());
    const std::vector<HostCall> expected = {{kBegin, 8, 0.f}, {kAutomate, 8, 1.f}, {kEnd, 8, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);
    EXPECT_TRUE(gui->areIrControlsShown());
    EXPECT_EQ(frame()->getNbViews(), views + 2);
    EXPECT_TRUE(lastTwoAreIrViews(frame(), gui));
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "empty");

    // Middle band: OFF hides them; the label keeps its text.
    click(540, 145 + 15);
    EXPECT_EQ(plugin.getParameter(kCabinet), 0.5f);
    EXPECT_FALSE(gui->areIrControlsShown());
    EXPECT_EQ(frame()->getNbViews(), views);
    EXPECT_FALSE(frame()->isChild(gui->getIrLoadButton()));
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "empty");
    // Top band: INT.
    click(540, 146);
    EXPECT_EQ(plugin.getParameter(kCabinet), 0.f);
    EXPECT_TRUE(plugin.cabinetInternal());
    EXPECT_FALSE(gui->areIrControlsShown());
}

TEST_F(EditorFixture, HostAutomationNearOneMovesTheLeverButKeepsLoadHidden)
{
    openPanel();
    plugin.setParameter(kCabinet, 0.9999f);
    EXPECT_FLOAT_EQ(gui->getParameterControl(kCabinet)->getValue(), 0.9999f);
    EXPECT_FALSE(gui->areIrControlsShown());
    plugin.setParameter(kCabinet, 1.f);
    EXPECT_TRUE(gui->areIrControlsShown());
    plugin.setParameter(kCabinet, 1.f); // again: nothing attached twice
    EXPECT_TRUE(lastTwoAreIrViews(frame(), gui));
    EXPECT_EQ(frame()->getNbViews(), 13);
    // Indices outside 0 to 8 are ignored by the editor.
    plugin.setParameter(9, 1.f);
    plugin.setParameter(-1, 1.f);
    EXPECT_EQ(frame()->getNbViews(), 13);
}

TEST_F(EditorFixture, ControlClickSetsDefaultsAndNotifiesTheHost)
{
    plugin.setParameter(kGain, 0.9f);
    plugin.setParameter(kMode, 1.f);
    plugin.setParameter(kInput, 0.7f);
    openPanel();
    EXPECT_EQ(press(186, 164, kLButton | kControl), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_FLOAT_EQ(plugin.getParameter(kGain), 0.5f);
    std::vector<HostCall> expected = {{kBegin, 2, 0.f}, {kAutomate, 2, 0.5f}, {kEnd, 2, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);

    press(150, 150, kLButton | kControl); // channel switch
    EXPECT_EQ(plugin.getParameter(kMode), 0.f);
    expected = {{kBegin, 1, 0.f}, {kAutomate, 1, 0.f}, {kEnd, 1, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);

    press(70, 164, kLButton | kControl);
    EXPECT_FLOAT_EQ(plugin.getParameter(kInput), 0.2f);
}

TEST_F(EditorFixture, ChangesFromAnotherThreadReachThePanelAtIdle)
{
    openPanel();
    std::thread host([this] {
        plugin.setParameter(kBass, 0.25f);
        plugin.setParameter(kCabinet, 1.f);
    });
    host.join();
    // Recorded only: the views belong to the panel's thread.
    EXPECT_FLOAT_EQ(gui->getParameterControl(kBass)->getValue(), 0.5f);
    EXPECT_FALSE(gui->areIrControlsShown());
    gui->idle();
    EXPECT_FLOAT_EQ(gui->getParameterControl(kBass)->getValue(), 0.25f);
    EXPECT_TRUE(gui->areIrControlsShown());
    EXPECT_TRUE(lastTwoAreIrViews(frame(), gui));

    // A program change from another thread: the nine values and the name.
    plugin.setParameter(kGain, 0.6f);
    ASSERT_TRUE(plugin.loadIrPath("/irs/room.wav"));
    gui->refreshIrName();
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");
    std::thread programs([this] { plugin.setProgram(1); });
    programs.join();
    gui->idle();
    EXPECT_FLOAT_EQ(gui->getParameterControl(kGain)->getValue(), 0.5f);
    EXPECT_FALSE(gui->areIrControlsShown());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "empty");
    std::thread back([this] { plugin.setProgram(0); });
    back.join();
    gui->idle();
    EXPECT_FLOAT_EQ(gui->getParameterControl(kGain)->getValue(), 0.6f);
    EXPECT_TRUE(gui->areIrControlsShown());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");
}

TEST_F(EditorFixture, ChangesWhileClosedShowAtTheNextOpen)
{
    openPanel();
    gui->close();
    plugin.setParameter(kCabinet, 1.f);
    plugin.setParameter(kPresence, 0.1f);
    gui->idle(); // closed: nothing to do
    openPanel();
    EXPECT_TRUE(gui->areIrControlsShown());
    EXPECT_FLOAT_EQ(gui->getParameterControl(kPresence)->getValue(), 0.1f);
}

TEST_F(EditorFixture, AboutBoxOpensBlocksThePanelAndClosesOnAnyPress)
{
    openPanel();
    EXPECT_EQ(press(570, 213, kRButton), kMouseEventNotHandled);
    EXPECT_EQ(frame()->getModalView(), nullptr);

    press(570, 213);
    EXPECT_EQ(frame()->getModalView(), gui->getAboutBox());
    EXPECT_FLOAT_EQ(gui->getAboutSplash()->getValue(), 1.f);
    EXPECT_TRUE(takeHostCalls().empty()); // the info area begins no edit

    // Outside the box: the input knob and the cabinet switch do not react.
    press(70, 164);
    moveTo(170, 164);
    release(170, 164);
    click(540, 175);
    EXPECT_FLOAT_EQ(plugin.getParameter(kInput), 0.2f);
    EXPECT_EQ(plugin.getParameter(kCabinet), 0.f);
    EXPECT_TRUE(takeHostCalls().empty());
    EXPECT_EQ(frame()->getModalView(), gui->getAboutBox());

    // Inside, over the gain knob: closes the box and nothing else.
    EXPECT_EQ(press(186, 164, kRButton), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    EXPECT_EQ(frame()->getModalView(), nullptr);
    EXPECT_FLOAT_EQ(gui->getAboutSplash()->getValue(), 0.f);
    EXPECT_FALSE(frame()->isChild(gui->getAboutBox()));
    EXPECT_TRUE(takeHostCalls().empty());

    // Again, any number of times.
    press(570, 213);
    press(300, 200);
    press(570, 213);
    EXPECT_EQ(frame()->getModalView(), gui->getAboutBox());
}

TEST_F(EditorFixture, LogoOpensTheWebAddressOncePerReleaseAndReapsTheHelper)
{
    StandInPath path;
    path.addScript("xdg-open", "printf '%s\\n' \"$@\" >> " + path.dir() + "/args");
    openPanel();
    click(300, 70);
    EXPECT_TRUE(edtest::noChildrenLeft(gui));
    EXPECT_EQ(StandInPath::readFile(path.dir() + "/args"), "https://www.zorvan.example/\n");
    const std::vector<HostCall> expected = {{kBegin, 10, 0.f}, {kEnd, 10, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);

    // Dragged off before the release: still once. Right button: nothing.
    press(300, 70);
    moveTo(20, 20);
    release(20, 20);
    click(300, 70, kRButton);
    EXPECT_TRUE(edtest::noChildrenLeft(gui));
    EXPECT_EQ(StandInPath::readFile(path.dir() + "/args"),
              "https://www.zorvan.example/\nhttps://www.zorvan.example/\n");
    EXPECT_FLOAT_EQ(gui->getLogoButton()->getValue(), 0.f);
}

struct DialogFixture : EditorFixture {
    StandInPath path;
    std::string room;
    void SetUp() override
    {
        EditorFixture::SetUp();
        room = path.dir() + "/room.wav";
        StandInPath::readFile(room);
        FILE* f = std::fopen(room.c_str(), "w"); // exists, but is no WAV file
        if (f)
            std::fclose(f);
        plugin.setParameter(kCabinet, 1.f);
        openPanel();
    }
    std::string args() const { return StandInPath::readFile(path.dir() + "/args"); }
    // A zenity stand-in that records its arguments, prints answer and exits with status.
    void zenity(const std::string& answer, int status) const
    {
        path.addScript("zenity",
                       "printf '%s\\n' \"$@\" > " + path.dir() + "/args\nprintf '%s\\n' '" + answer + "'\nexit " +
                           std::to_string(status));
    }
    const char* currentPath() { return plugin.getIrPath(plugin.getProgram()); }
    // Presses LOAD; the dialog runs beside the panel and idle passes collect
    // its answer.
    void load(int32_t buttons = kLButton)
    {
        click(530, 208, buttons);
        answered();
    }
    void answered()
    {
        for (int i = 0; i < 500 && gui->isIrDialogOpen(); ++i) {
            gui->idle();
            usleep(10000);
        }
    }
};

TEST_F(DialogFixture, ChosenFileBecomesTheProgramsResponseAndName)
{
    zenity(room, 0);
    load();
    EXPECT_EQ(args(), "--file-selection\n--title=Load Impulse Response\n--file-filter=Wave File (*.wav) | *.wav\n");
    EXPECT_STREQ(currentPath(), room.c_str());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");
    const std::vector<HostCall> expected = {{kBegin, 9, 0.f}, {kEnd, 9, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);

    // After a program change the file goes into the new program only.
    plugin.setProgram(2);
    plugin.setParameter(kCabinet, 1.f);
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "empty");
    const std::string other = path.dir() + "/My Cab.old.wav";
    FILE* f = std::fopen(other.c_str(), "w");
    ASSERT_NE(f, nullptr);
    std::fclose(f);
    zenity(other, 0);
    press(530, 208);
    moveTo(100, 100); // released outside: still opens once
    release(100, 100);
    answered();
    EXPECT_STREQ(plugin.getIrPath(2), other.c_str());
    EXPECT_STREQ(plugin.getIrPath(0), room.c_str());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "My Cab.old");
}

TEST_F(DialogFixture, CancelFailureMissingFileAndLongPathChangeNothing)
{
    zenity(room, 0);
    load();
    ASSERT_EQ(gui->getIrNameLabel()->getText(), "room");

    zenity("", 1); // cancelled
    load();
    EXPECT_STREQ(currentPath(), room.c_str());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");

    zenity(path.dir() + "/missing.wav", 0); // no such file
    load();
    EXPECT_STREQ(currentPath(), room.c_str());

    // 260 bytes with the NUL do not fit: refused like a cancel.
    std::string longPath = "/" + std::string(258, 'x');
    ASSERT_EQ(longPath.size(), 259u);
    zenity(longPath, 0);
    load();
    EXPECT_STREQ(currentPath(), room.c_str());

    load(kRButton); // right button: no dialog
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");
}

TEST_F(DialogFixture, KdialogServesWhenZenityIsMissing)
{
    path.addScript("kdialog", "printf '%s\\n' \"$@\" > " + path.dir() + "/args\nprintf '%s\\n' '" + room + "'");
    path.isolate();
    load();
    const std::string a = args();
    EXPECT_NE(a.find("--title\nLoad Impulse Response\n"), std::string::npos) << a;
    EXPECT_NE(a.find("--getopenfilename\n"), std::string::npos) << a;
    EXPECT_NE(a.find("*.wav|Wave File (*.wav)\n"), std::string::npos) << a;
    EXPECT_STREQ(currentPath(), room.c_str());
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "room");
}

TEST_F(DialogFixture, NoDialogProgramAtAllIsACancel)
{
    path.isolate();
    load();
    EXPECT_STREQ(currentPath(), "empty");
    EXPECT_EQ(gui->getIrNameLabel()->getText(), "empty");
}

TEST_F(DialogFixture, AnOpenDialogLeavesTheHostRunning)
{
    // The stand-in stays open until it is ended; it notes every start.
    path.addScript("zenity", "echo $$ >> " + path.dir() + "/starts\nexec sleep 30");
    click(530, 208);
    ASSERT_TRUE(gui->isIrDialogOpen());
    for (int i = 0; i < 5; ++i)
        gui->idle(); // returns while the dialog is open
    click(530, 208); // ignored: one dialog at a time
    usleep(100000);
    const std::string starts = StandInPath::readFile(path.dir() + "/starts");
    ASSERT_EQ(std::count(starts.begin(), starts.end(), '\n'), 1) << starts;
    EXPECT_TRUE(gui->isIrDialogOpen());
    EXPECT_STREQ(currentPath(), "empty");

    // Closing the window ends the dialog unanswered.
    gui->close();
    EXPECT_FALSE(gui->isIrDialogOpen());
    EXPECT_NE(kill(static_cast<pid_t>(std::stol(starts)), 0), 0) << "the dialog outlived the window";
    EXPECT_STREQ(currentPath(), "empty");
}

TEST_F(EditorFixture, KeysGoToTheControlPressedLast)
{
    openPanel();
    VstKeyCode up{0, VKEY_UP, 0};
    EXPECT_FALSE(gui->onKeyDown(up));   // nothing pressed yet
    click(243, 160, kLButton | kShift); // bass, no movement
    takeHostCalls();
    EXPECT_TRUE(gui->onKeyDown(up));
    EXPECT_FLOAT_EQ(plugin.getParameter(kBass), 0.6f);
    const std::vector<HostCall> expected = {{kBegin, 3, 0.f}, {kAutomate, 3, 0.6f}, {kEnd, 3, 0.f}};
    EXPECT_EQ(takeHostCalls(), expected);
    VstKeyCode letter{'a', 0, 0};
    EXPECT_FALSE(gui->onKeyDown(letter));
}

} // namespace
