// The VST3 shell of the plug-in: one object that is both the audio processor
// component and its edit controller (hosts find the controller by asking the
// component for IEditController). It translates the host's calls into the
// engine's and owns the panel; every parameter, program, state and
// impulse-response rule stays in the engine.
//
// One stereo input bus and one stereo output bus (mono buses accepted too),
// mono inside: the inputs are summed and both outputs carry the result.
//
// Threads (one line per host entry):
// - process: the host's audio thread; lock-free, allocation-free, no files.
//   Parameter points split the block and reach the engine in order.
// - setupProcessing, setActive, setProcessing, setBusArrangements, setState,
//   getState, initialize, terminate: the host's control threads (never while
//   process runs, as the interface requires for setup and activation).
// - getParamNormalized, setParamNormalized, the parameter texts and
//   descriptions: any thread, wait-free.
// - createView, the view, setComponentHandler and the editor link: the host's
//   UI thread.
#pragma once

#include "plugin/ZorvanEditorLink.h"
#include "plugin/ZorvanEngine.h"
#include "plugin/vst3/BypassFade.h"
#include "plugin/vst3/Vst3Controller.h"
#include "plugin/vst3/Vst3Parameters.h"
#include "plugin/vst3/Vst3Processing.h"

#include <atomic>

class zorvanGUI;

namespace zv3 {

// The class ID of the plug-in: the name-based UUID of "Zorvan, Inc./Zorvan
// Ferroharmonic Lite/VST3 processor and controller" in the DNS namespace
// (9ded6db2-6e67-52aa-8894-6fbff94e26cb), fixed for good: hosts store it in
// their projects.
constexpr vst3::Uid kClassId = vst3::makeUid(0x9DED6DB2, 0x6E6752AA, 0x88946FBF, 0xF94E26CB);

class ZorvanVst3 final : public vst3::IComponent,
                         public vst3::IAudioProcessor,
                         public vst3::IProcessContextRequirements,
                         public vst3::IEditController,
                         public ZorvanEditorLink,
                         private ZorvanEngineListener {
public:
    ZorvanVst3();
    virtual ~ZorvanVst3();
    ZorvanVst3(const ZorvanVst3&) = delete;
    ZorvanVst3& operator=(const ZorvanVst3&) = delete;

    // FUnknown
    vst3::tresult ZV3_API queryInterface(const vst3::TUID iid, void** obj) override;
    uint32_t ZV3_API addRef() override;
    uint32_t ZV3_API release() override;

    // IPluginBase (shared by the component and the controller)
    vst3::tresult ZV3_API initialize(vst3::FUnknown* context) override;
    vst3::tresult ZV3_API terminate() override;

    // IComponent
    vst3::tresult ZV3_API getControllerClassId(vst3::TUID classId) override;
    vst3::tresult ZV3_API setIoMode(int32_t mode) override;
    int32_t ZV3_API getBusCount(int32_t type, int32_t dir) override;
    vst3::tresult ZV3_API getBusInfo(int32_t type, int32_t dir, int32_t index, vst3::BusInfo& bus) override;
    vst3::tresult ZV3_API getRoutingInfo(vst3::RoutingInfo& inInfo, vst3::RoutingInfo& outInfo) override;
    vst3::tresult ZV3_API activateBus(int32_t type, int32_t dir, int32_t index, vst3::TBool state) override;
    vst3::tresult ZV3_API setActive(vst3::TBool state) override;
    // The component's and the controller's state are one: the interface
    // gives both the same slot. Both carry the bytes of Vst3State.h.
    vst3::tresult ZV3_API setState(vst3::IBStream* state) override;
    vst3::tresult ZV3_API getState(vst3::IBStream* state) override;

    // IAudioProcessor
    vst3::tresult ZV3_API setBusArrangements(vst3::SpeakerArrangement* inputs, int32_t numIns,
                                             vst3::SpeakerArrangement* outputs, int32_t numOuts) override;
    vst3::tresult ZV3_API getBusArrangement(int32_t dir, int32_t index, vst3::SpeakerArrangement& arr) override;
    vst3::tresult ZV3_API canProcessSampleSize(int32_t symbolicSampleSize) override;
    uint32_t ZV3_API getLatencySamples() override { return 0; }
    vst3::tresult ZV3_API setupProcessing(vst3::ProcessSetup& setup) override;
    vst3::tresult ZV3_API setProcessing(vst3::TBool state) override;
    vst3::tresult ZV3_API process(vst3::ProcessData& data) override;
    uint32_t ZV3_API getTailSamples() override;

    // IProcessContextRequirements: no transport information needed.
    uint32_t ZV3_API getProcessContextRequirements() override { return 0; }

    // IEditController
    vst3::tresult ZV3_API setComponentState(vst3::IBStream* state) override;
    int32_t ZV3_API getParameterCount() override { return kParameterCount; }
    vst3::tresult ZV3_API getParameterInfo(int32_t paramIndex, vst3::ParameterInfo& info) override;
    vst3::tresult ZV3_API getParamStringByValue(vst3::ParamID id, vst3::ParamValue value,
                                                vst3::String128 string) override;
    vst3::tresult ZV3_API getParamValueByString(vst3::ParamID id, vst3::TChar* string,
                                                vst3::ParamValue& value) override;
    vst3::ParamValue ZV3_API normalizedParamToPlain(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::ParamValue ZV3_API plainParamToNormalized(vst3::ParamID id, vst3::ParamValue plain) override;
    vst3::ParamValue ZV3_API getParamNormalized(vst3::ParamID id) override;
    vst3::tresult ZV3_API setParamNormalized(vst3::ParamID id, vst3::ParamValue value) override;
    vst3::tresult ZV3_API setComponentHandler(vst3::IComponentHandler* handler) override;
    vst3::IPlugView* ZV3_API createView(vst3::FIDString name) override;

    // ZorvanEditorLink (the panel, UI thread)
    float getParameter(int32_t index) override;
    void setParameterAutomated(int32_t index, float value) override;
    bool beginEdit(int32_t index) override;
    bool endEdit(int32_t index) override;
    int32_t getProgram() override { return engine.getProgram(); }
    const char* getIrPath(int program) const override;
    bool loadIrPath(const char* path) override;

    // The panel, for the view (UI thread); null when it could not be made.
    zorvanGUI* getEditor() const { return editor; }
    // The engine, for tests.
    const ZorvanEngine& getEngine() const { return engine; }

private:
    // Engine listener: the controller's values and the panel follow.
    void parameterChanged(int32_t index, float value) override;
    void programChanged() override;

    template <typename Sample>
    void processBlock(vst3::ProcessData& data);
    template <typename Sample>
    void render(vst3::ProcessData& data, int32_t from, int32_t to);
    void applyPoint(vst3::ParamID id, double value);

    static constexpr int kChunk = 256; // frames per pass when a bus is mono or bypass fades

    std::atomic<uint32_t> refCount{1};
    ZorvanEngine engine;                          // everything the plug-in computes and stores
    zorvanGUI* editor = nullptr;                  // the panel, lives as long as this object
    vst3::FUnknown* hostContext = nullptr;        // from initialize, referenced
    vst3::IComponentHandler* handler = nullptr;   // the host's edit receiver, referenced
    vst3::IComponentHandler2* handler2 = nullptr; // its dirty-state extension, if any

    std::atomic<float> controllerValues[kParameterCount]; // what the host and the panel see
    std::atomic<bool> bypassRequested{false};             // the bypass the audio thread fades to
    BypassFade bypass;                                    // audio thread
    vst3::SpeakerArrangement inputArrangement = vst3::kArrStereo;
    vst3::SpeakerArrangement outputArrangement = vst3::kArrStereo;
    int32_t sampleSize = vst3::kSample32; // from setupProcessing
    bool active = false;                  // between setActive(true) and setActive(false)

    // Audio thread: what a pass needs besides the host's buffers.
    template <typename Sample>
    struct PassBuffers {
        Sample zero[kChunk] = {}; // silence for a missing input channel
        Sample spare[kChunk];     // sink for a missing output channel
        Sample dry[2][kChunk];    // the input kept for the bypass fade
    };
    PassBuffers<float> buffers32;
    PassBuffers<double> buffers64;
    PassBuffers<float>& buffersFor(float) { return buffers32; }
    PassBuffers<double>& buffersFor(double) { return buffers64; }
};

} // namespace zv3
