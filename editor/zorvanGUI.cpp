#include "editor/zorvanGUI.h"

#include "editor/CAboutContainer.h"
#include "editor/SystemDialogs.h"
#include "plugin/Identity.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanEditorLink.h"
#include "toolkit/CAnimKnob.h"
#include "toolkit/CBitmap.h"
#include "toolkit/CFrame.h"
#include "toolkit/CKickButton.h"
#include "toolkit/CSplashScreen.h"
#include "toolkit/CTextLabel.h"
#include "toolkit/CVerticalSwitch.h"

using namespace VSTGUI;

const char* const zorvanGUI::kWebAddress = zorvan::kWebAddress;
const char* const zorvanGUI::kVersionText = "(Ver.1.1.3)";

namespace {

constexpr uint32_t kPendingIrName = 1u << 9;

// Where each control sits, by tag (the parameter index). Whether it is a knob
// or a switch and its Control-click value (program 0's default) come from the
// parameter table.
const CRect kControlRects[zorvanGUI::kNumControls] = {
    CRect::fromSize(53, 146, 36, 36),  // Input
    CRect::fromSize(141, 145, 31, 39), // mode
    CRect::fromSize(168, 146, 36, 36), // gain
    CRect::fromSize(236, 146, 36, 36), // bass
    CRect::fromSize(293, 146, 36, 36), // mid
    CRect::fromSize(350, 146, 36, 36), // treble
    CRect::fromSize(406, 146, 36, 36), // presence
    CRect::fromSize(475, 146, 36, 36), // master
    CRect::fromSize(525, 145, 31, 39), // cabinet
};
static_assert(zorvanGUI::kNumControls == kNumParams, "one control per parameter");

bool isExternalCabinet(float value)
{
    return cabinetSelectionFor(value) == CabinetSelection::External;
}

constexpr int kKnobFrames = 101;
constexpr int kKnobFrameHeight = 36;
constexpr int kSwitchFrames = 3;
constexpr int kSwitchFrameHeight = 39;

} // namespace

zorvanGUI::zorvanGUI(ZorvanEditorLink* effect) : AEffGUIEditor(effect)
{
    backgroundBitmap = new CBitmap("background.png");
    rect.top = 0;
    rect.left = 0;
    rect.bottom = static_cast<int16_t>(backgroundBitmap->getHeight());
    rect.right = static_cast<int16_t>(backgroundBitmap->getWidth());
}

zorvanGUI::~zorvanGUI()
{
    close();
    if (backgroundBitmap)
        backgroundBitmap->forget();
    // Browser launchers normally end at once; do not leave them as zombies.
    zorvan::reapChildren(helperProcesses, 2000);
}

std::string zorvanGUI::irDisplayName(const char* path)
{
    if (!path)
        return std::string();
    std::string name(path);
    const size_t slash = name.find_last_of("/\\");
    if (slash != std::string::npos)
        name.erase(0, slash + 1);
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.erase(dot);
    return name;
}

std::string zorvanGUI::currentIrName() const
{
    if (!effect)
        return std::string();
    return irDisplayName(effect->getIrPath(effect->getProgram()));
}

bool zorvanGUI::open(void* ptr)
{
    // A second open without a close rebuilds the panel from scratch.
    if (frame)
        close();
    AEffGUIEditor::open(ptr);
    uiThread.store(std::this_thread::get_id());
    pendingUpdates.store(0);

    // 1. The frame, with the panel picture as its background.
    CFrame* newFrame = new CFrame(CRect(0, 0, backgroundBitmap->getWidth(), backgroundBitmap->getHeight()), ptr, this);
    newFrame->setBackgroundColor(kBlackCColor);
    newFrame->setBackground(backgroundBitmap);

    // 2. One film strip for all knobs, one for both switches.
    CBitmap* knobBitmap = new CBitmap("silverknob.png");
    CBitmap* switchBitmap = new CBitmap("silverswitch.png");

    // 3. The nine parameter controls at the plug-in's current values.
    for (int32_t tag = 0; tag < kNumControls; ++tag) {
        const CRect& r = kControlRects[tag];
        CControl* control;
        if (kParameterInfo[tag].kind == ParameterKind::Knob)
            control = new CAnimKnob(r, this, tag, kKnobFrames, kKnobFrameHeight, knobBitmap, CPoint(0, 0));
        else
            control = new CVerticalSwitch(r, this, tag, kSwitchFrames, kSwitchFrameHeight, kSwitchPositions,
                                          switchBitmap, CPoint(0, 0));
        control->setDefaultValue(kDefaultValues[0][tag]);
        control->setValue(effect ? effect->getParameter(tag) : 0.f);
        newFrame->addView(control);
        controls[tag] = control;
    }

    // 4. The controls hold their own references to the strips.
    knobBitmap->forget();
    switchBitmap->forget();

    // 5. The LOAD button, not attached yet.
    CBitmap* loadBitmap = new CBitmap("irload.png");
    irLoadButton = new CKickButton(CRect::fromSize(519, 202, 28, 14), this, kTagIrLoad, 14, loadBitmap, CPoint(0, 0));
    loadBitmap->forget();

    // 6. The file name of the current program's impulse response.
    irNameLabel = new CTextLabel(CRect::fromSize(85, 203, 430, 12), currentIrName().c_str(), nullptr);
    irNameLabel->setTransparency(true);
    irNameLabel->setFontColor(kWhiteCColor);
    irNameLabel->setFont(kNormalFontSmall);
    irNameLabel->setHoriAlign(kRightText);

    // 7. Both shown only while the cabinet is exactly on EXT.
    if (effect && isExternalCabinet(effect->getParameter(kCabinet))) {
        newFrame->addView(irLoadButton);
        newFrame->addView(irNameLabel);
        irControlsShown = true;
    } else {
        irControlsShown = false;
    }

    // 8. The logo.
    CBitmap* logoBitmap = new CBitmap("logo.png");
    logoButton = new CKickButton(CRect::fromSize(204, 53, 193, 31), this, kTagLogo, 31, logoBitmap, CPoint(0, 0));
    newFrame->addView(logoButton);
    logoBitmap->forget();

    // 9. The about box, shown later as the frame's modal view.
    CBitmap* aboutBitmap = new CBitmap("about.png");
    aboutBox = new CAboutContainer(CRect::fromSize(144, 12, 311, 206), newFrame, aboutBitmap);
    aboutBox->setBackgroundColor(kBlackCColor);
    aboutBox->splashScreen = nullptr;

    // 10. The version text inside it.
    versionLabel = new CTextLabel(CRect::fromSize(136, 3, 80, 15), kVersionText, nullptr);
    versionLabel->setTransparency(true);
    versionLabel->setFontColor(kYellowCColor);
    versionLabel->setFont(kNormalFontSmall);
    versionLabel->setHoriAlign(kLeftText);
    aboutBox->addView(versionLabel);

    // 11. The invisible info area over the printed icon; it owns the box.
    aboutSplash = new CSplashScreen(CRect::fromSize(562, 206, 18, 16), this, kTagAbout, aboutBox);
    aboutSplash->setTransparency(true);

    // 12. The box knows who shows it, so a press inside can close it.
    aboutBox->splashScreen = aboutSplash;
    aboutBitmap->forget();
    newFrame->addView(aboutSplash);

    // 13. Knobs follow straight mouse movement.
    frame = newFrame;
    setKnobMode(kLinearMode);
    return true;
}

void zorvanGUI::close()
{
    if (frame) {
        // The frame releases what is attached to it, and through the info
        // area the about box and the version text.
        CFrame* oldFrame = frame;
        frame = nullptr;
        oldFrame->forget();
    }
    // Detached, the LOAD button and the name are the editor's own.
    if (!irControlsShown) {
        if (irLoadButton)
            irLoadButton->forget();
        if (irNameLabel)
            irNameLabel->forget();
    }
    forgetViews();
    // The dialog belongs to the window: closing the window ends it unanswered.
    irDialog.cancel();
    uiThread.store(std::thread::id());
    AEffGUIEditor::close();
}

void zorvanGUI::forgetViews()
{
    for (CControl*& control : controls)
        control = nullptr;
    irLoadButton = nullptr;
    irNameLabel = nullptr;
    irControlsShown = false;
    logoButton = nullptr;
    aboutSplash = nullptr;
    aboutBox = nullptr;
    versionLabel = nullptr;
}

bool zorvanGUI::onUiThread() const
{
    return uiThread.load() == std::this_thread::get_id();
}

void zorvanGUI::setParameter(int32_t index, float)
{
    if (index < 0 || index >= kNumControls)
        return;
    if (!onUiThread()) {
        pendingUpdates.fetch_or(1u << index);
        return;
    }
    applyParameter(index);
}

void zorvanGUI::refreshIrName()
{
    if (!onUiThread()) {
        pendingUpdates.fetch_or(kPendingIrName);
        return;
    }
    applyIrName();
}

void zorvanGUI::applyParameter(int32_t index)
{
    if (!frame || !effect)
        return;
    if (CControl* control = controls[index])
        control->setValue(effect->getParameter(index));
    if (index != kCabinet || !irLoadButton || !irNameLabel)
        return;
    const bool external = isExternalCabinet(effect->getParameter(kCabinet));
    if (external && !irControlsShown) {
        frame->addView(irLoadButton);
        frame->addView(irNameLabel);
        irControlsShown = true;
        frame->setDirty(true);
    } else if (!external && irControlsShown) {
        frame->removeView(irLoadButton, false);
        frame->removeView(irNameLabel, false);
        irControlsShown = false;
        frame->setDirty(true);
    }
}

void zorvanGUI::applyIrName()
{
    if (!frame || !irNameLabel)
        return;
    irNameLabel->setText(currentIrName().c_str());
    irNameLabel->setFontColor(kWhiteCColor);
    irNameLabel->setDirty(true);
}

void zorvanGUI::applyPendingUpdates()
{
    const uint32_t pending = pendingUpdates.exchange(0);
    if (!pending || !frame)
        return;
    // Parameters before the name: the order of a program change.
    for (int32_t i = 0; i < kNumControls; ++i)
        if (pending & (1u << i))
            applyParameter(i);
    if (pending & kPendingIrName)
        applyIrName();
}

void zorvanGUI::idle()
{
    if (inIdleStuff)
        return;
    if (!helperProcesses.empty())
        zorvan::reapChildren(helperProcesses);
    collectIrDialogAnswer();
    applyPendingUpdates();
    AEffGUIEditor::idle();
}

void zorvanGUI::valueChanged(CControl* control)
{
    if (!control || !effect)
        return;
    const int32_t tag = control->getTag();
    if (tag < 0)
        return;
    if (tag < kNumControls) {
        effect->setParameterAutomated(tag, control->getValue());
        return;
    }
    if (tag == kTagIrLoad) {
        if (irLoadButton && irLoadButton->getValue() < 0.5f)
            openIrDialog();
        control->setDirty(true);
    } else if (tag == kTagLogo) {
        if (logoButton && logoButton->getValue() < 0.5f) {
            const pid_t pid = zorvan::openWebAddress(kWebAddress);
            if (pid > 0)
                helperProcesses.push_back(pid);
        }
        control->setDirty(true);
    }
}

void zorvanGUI::openIrDialog()
{
    // A press while the dialog is open is ignored: one dialog at a time.
    if (!effect || irDialog.isOpen())
        return;
    irDialog.start(frame ? frame->getSystemWindow() : nullptr);
    collectIrDialogAnswer(); // a modal dialog has answered already
}

void zorvanGUI::collectIrDialogAnswer()
{
    std::string path;
    if (irDialog.poll(path) != zorvan::IrFileDialog::Answer::Chosen || !effect)
        return;
    if (!effect->loadIrPath(path.c_str()))
        return;
    if (irNameLabel) {
        irNameLabel->setText(currentIrName().c_str());
        irNameLabel->setDirty(true);
    }
}
