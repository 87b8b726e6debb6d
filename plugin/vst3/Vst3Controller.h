// The edit-controller side of the VST3 interface: parameter descriptions and
// conversions, the host's component handler that receives edits, and the
// plug-in's view with the host's frame and, on Linux, its run loop.
#pragma once

#include "plugin/vst3/Vst3Base.h"

namespace vst3 {

typedef uint32_t ParamID;
typedef double ParamValue; // normalised, 0 to 1

struct ParameterInfo {
    enum {
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount; // 0: continuous; n: n + 1 discrete values
    ParamValue defaultNormalizedValue;
    int32_t unitId; // 0: the root unit
    int32_t flags;
};

class IComponentHandler : public FUnknown {
public:
    virtual tresult ZV3_API beginEdit(ParamID id) = 0;
    virtual tresult ZV3_API performEdit(ParamID id, ParamValue valueNormalized) = 0;
    virtual tresult ZV3_API endEdit(ParamID id) = 0;
    virtual tresult ZV3_API restartComponent(int32_t flags) = 0;
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);

protected:
    ~IComponentHandler() = default;
};

class IComponentHandler2 : public FUnknown {
public:
    virtual tresult ZV3_API setDirty(TBool state) = 0;
    virtual tresult ZV3_API requestOpenEditor(FIDString name) = 0;
    virtual tresult ZV3_API startGroupEdit() = 0;
    virtual tresult ZV3_API finishGroupEdit() = 0;
    static constexpr Uid iid = makeUid(0xF040B4B3, 0xA36045EC, 0xABCDC045, 0xB4D5A2CC);

protected:
    ~IComponentHandler2() = default;
};

class IPlugView;

class IEditController : public IPluginBase {
public:
    virtual tresult ZV3_API setComponentState(IBStream* state) = 0;
    virtual tresult ZV3_API setState(IBStream* state) = 0;
    virtual tresult ZV3_API getState(IBStream* state) = 0;
    virtual int32_t ZV3_API getParameterCount() = 0;
    virtual tresult ZV3_API getParameterInfo(int32_t paramIndex, ParameterInfo& info) = 0;
    virtual tresult ZV3_API getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string) = 0;
    virtual tresult ZV3_API getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized) = 0;
    virtual ParamValue ZV3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) = 0;
    virtual ParamValue ZV3_API plainParamToNormalized(ParamID id, ParamValue plainValue) = 0;
    virtual ParamValue ZV3_API getParamNormalized(ParamID id) = 0;
    virtual tresult ZV3_API setParamNormalized(ParamID id, ParamValue value) = 0;
    virtual tresult ZV3_API setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* ZV3_API createView(FIDString name) = 0;
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);

protected:
    ~IEditController() = default;
};

// The name of the one view a host asks for.
constexpr char kEditorViewType[] = "editor";

// ---------------------------------------------------------------------------
// The view and what the host gives it.

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Platform types a view is attached with: the parent's system handle.
constexpr char kPlatformTypeX11EmbedWindowID[] = "X11EmbedWindowID"; // an X11 Window id
constexpr char kPlatformTypeHWND[] = "HWND";                         // a Win32 window handle

class IPlugFrame;

class IPlugView : public FUnknown {
public:
    virtual tresult ZV3_API isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult ZV3_API attached(void* parent, FIDString type) = 0;
    virtual tresult ZV3_API removed() = 0;
    virtual tresult ZV3_API onWheel(float distance) = 0;
    virtual tresult ZV3_API onKeyDown(TChar key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult ZV3_API onKeyUp(TChar key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult ZV3_API getSize(ViewRect* size) = 0;
    virtual tresult ZV3_API onSize(ViewRect* newSize) = 0;
    virtual tresult ZV3_API onFocus(TBool state) = 0;
    virtual tresult ZV3_API setFrame(IPlugFrame* frame) = 0;
    virtual tresult ZV3_API canResize() = 0;
    virtual tresult ZV3_API checkSizeConstraint(ViewRect* rect) = 0;
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);

protected:
    ~IPlugView() = default;
};

class IPlugFrame : public FUnknown {
public:
    virtual tresult ZV3_API resizeView(IPlugView* view, ViewRect* newSize) = 0;
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);

protected:
    ~IPlugFrame() = default;
};

// Linux: the host's UI thread runs the view's timers and watches its file
// descriptors; the frame hands out its IRunLoop through queryInterface.
class IEventHandler : public FUnknown {
public:
    virtual void ZV3_API onFDIsSet(int fd) = 0;
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);

protected:
    ~IEventHandler() = default;
};

class ITimerHandler : public FUnknown {
public:
    virtual void ZV3_API onTimer() = 0;
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);

protected:
    ~ITimerHandler() = default;
};

class IRunLoop : public FUnknown {
public:
    virtual tresult ZV3_API registerEventHandler(IEventHandler* handler, int fd) = 0;
    virtual tresult ZV3_API unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult ZV3_API registerTimer(ITimerHandler* handler, uint64_t milliseconds) = 0;
    virtual tresult ZV3_API unregisterTimer(ITimerHandler* handler) = 0;
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);

protected:
    ~IRunLoop() = default;
};

} // namespace vst3
