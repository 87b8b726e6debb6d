// The plug-in's window: the fixed bitmap front panel of the amplifier head,
// 600 x 230 pixels, built anew at every open and destroyed at every close.
//
// Threads: open, close, idle, keys and the controls' reports (valueChanged)
// run on the host's user-interface thread, the thread that called open. The
// file dialog runs beside it; idle collects its answer.
// setParameter and refreshIrName may come from any thread: on the
// user-interface thread they update the panel at once; from elsewhere they
// only record which control changed (one atomic bit set) and idle applies it,
// so the views are only ever touched by the user-interface thread.
#pragma once

#include "editor/SystemDialogs.h"
#include "toolkit/AEffGUIEditor.h"
#include "toolkit/CControl.h"

#include <atomic>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace VSTGUI {
class CBitmap;
class CKickButton;
class CSplashScreen;
class CTextLabel;
} // namespace VSTGUI
class CAboutContainer;

// Control tags beyond the nine parameter indices.
enum {
    kTagIrLoad = 9,
    kTagLogo = 10,
    kTagAbout = 11,
};

class zorvanGUI : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    explicit zorvanGUI(ZorvanEditorLink* effect);
    ~zorvanGUI() override;

    bool open(void* ptr) override;
    void close() override;
    // The plug-in's value of parameter index changed; value itself is not used.
    virtual void setParameter(int32_t index, float value);
    // The current program changed: show its impulse-response file name.
    void refreshIrName();

    void valueChanged(VSTGUI::CControl* control) override;
    void idle() override;

    // The file name of path without its folders and its last extension.
    static std::string irDisplayName(const char* path);

    static constexpr int kNumControls = 9; // parameter controls, tags 0 to 8
    static const char* const kWebAddress;  // opened by the logo
    static const char* const kVersionText; // shown in the about box

    // The views while the window is open (null otherwise), for tests and tools.
    VSTGUI::CControl* getParameterControl(int index) const
    {
        return index >= 0 && index < kNumControls ? controls[index] : nullptr;
    }
    VSTGUI::CKickButton* getIrLoadButton() const { return irLoadButton; }
    VSTGUI::CTextLabel* getIrNameLabel() const { return irNameLabel; }
    bool areIrControlsShown() const { return irControlsShown; }
    VSTGUI::CKickButton* getLogoButton() const { return logoButton; }
    VSTGUI::CSplashScreen* getAboutSplash() const { return aboutSplash; }
    CAboutContainer* getAboutBox() const { return aboutBox; }
    bool isIrDialogOpen() const { return irDialog.isOpen(); }
    VSTGUI::CTextLabel* getVersionLabel() const { return versionLabel; }

private:
    bool onUiThread() const;
    // Brings control index to the plug-in's value; the cabinet also shows or
    // hides the impulse-response views. UI thread.
    void applyParameter(int32_t index);
    void applyIrName();
    void applyPendingUpdates();
    std::string currentIrName() const;
    void openIrDialog();
    void collectIrDialogAnswer();
    void forgetViews();

    VSTGUI::CBitmap* backgroundBitmap = nullptr;   // the panel picture, constructor to destructor
    VSTGUI::CControl* controls[kNumControls] = {}; // knobs and switches by parameter index
    VSTGUI::CKickButton* irLoadButton = nullptr;   // opens the file dialog
    bool irControlsShown = false;                  // irLoadButton and irNameLabel attached
    VSTGUI::CTextLabel* irNameLabel = nullptr;     // current program's file name
    VSTGUI::CKickButton* logoButton = nullptr;     // opens the web address
    VSTGUI::CSplashScreen* aboutSplash = nullptr;  // info area over the printed icon
    CAboutContainer* aboutBox = nullptr;           // owned by aboutSplash
    VSTGUI::CTextLabel* versionLabel = nullptr;    // owned by aboutBox

    std::atomic<uint32_t> pendingUpdates{0}; // bit i: parameter i; bit 9: file name
    std::atomic<std::thread::id> uiThread{}; // the thread of open, while open
    std::vector<pid_t> helperProcesses;      // web browser launchers to reap
    zorvan::IrFileDialog irDialog;           // the LOAD button's dialog while it is open
};
