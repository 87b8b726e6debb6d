// The processing side of the VST3 interface: the component with its buses and
// state, the audio processor with its setup and ProcessData, and the
// parameter changes a host hands to each process call.
#pragma once

#include "plugin/vst3/Vst3Base.h"

namespace vst3 {

enum MediaTypes { kAudio = 0, kEvent = 1 };
enum BusDirections { kInput = 0, kOutput = 1 };
enum BusTypes { kMain = 0, kAux = 1 };
enum IoModes { kSimple = 0, kAdvanced, kOfflineProcessing };

struct BusInfo {
    enum { kDefaultActive = 1 << 0 };
    int32_t mediaType;
    int32_t direction;
    int32_t channelCount;
    String128 name;
    int32_t busType;
    uint32_t flags;
};

struct RoutingInfo {
    int32_t mediaType;
    int32_t busIndex;
    int32_t channel;
};

class IComponent : public IPluginBase {
public:
    virtual tresult ZV3_API getControllerClassId(TUID classId) = 0;
    virtual tresult ZV3_API setIoMode(int32_t mode) = 0;
    virtual int32_t ZV3_API getBusCount(int32_t type, int32_t dir) = 0;
    virtual tresult ZV3_API getBusInfo(int32_t type, int32_t dir, int32_t index, BusInfo& bus) = 0;
    virtual tresult ZV3_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) = 0;
    virtual tresult ZV3_API activateBus(int32_t type, int32_t dir, int32_t index, TBool state) = 0;
    virtual tresult ZV3_API setActive(TBool state) = 0;
    virtual tresult ZV3_API setState(IBStream* state) = 0;
    virtual tresult ZV3_API getState(IBStream* state) = 0;
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);

protected:
    ~IComponent() = default;
};

// Speaker arrangements: one bit per speaker.
typedef uint64_t SpeakerArrangement;
constexpr SpeakerArrangement kSpeakerL = 1 << 0;
constexpr SpeakerArrangement kSpeakerR = 1 << 1;
constexpr SpeakerArrangement kSpeakerM = 1 << 19;
constexpr SpeakerArrangement kArrMono = kSpeakerM;
constexpr SpeakerArrangement kArrStereo = kSpeakerL | kSpeakerR;

enum SymbolicSampleSizes { kSample32 = 0, kSample64 = 1 };
enum ProcessModes { kRealtime = 0, kPrefetch, kOffline };

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    double sampleRate;
};

class IParamValueQueue : public FUnknown {
public:
    virtual uint32_t ZV3_API getParameterId() = 0;
    virtual int32_t ZV3_API getPointCount() = 0;
    virtual tresult ZV3_API getPoint(int32_t index, int32_t& sampleOffset, double& value) = 0;
    virtual tresult ZV3_API addPoint(int32_t sampleOffset, double value, int32_t& index) = 0;
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);

protected:
    ~IParamValueQueue() = default;
};

class IParameterChanges : public FUnknown {
public:
    virtual int32_t ZV3_API getParameterCount() = 0;
    virtual IParamValueQueue* ZV3_API getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* ZV3_API addParameterData(const uint32_t& id, int32_t& index) = 0;
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);

protected:
    ~IParameterChanges() = default;
};

struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags; // bit n: channel n is silent
    union {
        float** channelBuffers32;
        double** channelBuffers64;
    };
};

class IEventList;      // not used: the plug-in has no event buses
struct ProcessContext; // not used: the plug-in follows no transport

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

class IAudioProcessor : public FUnknown {
public:
    virtual tresult ZV3_API setBusArrangements(SpeakerArrangement* inputs, int32_t numIns, SpeakerArrangement* outputs,
                                               int32_t numOuts) = 0;
    virtual tresult ZV3_API getBusArrangement(int32_t dir, int32_t index, SpeakerArrangement& arr) = 0;
    virtual tresult ZV3_API canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t ZV3_API getLatencySamples() = 0;
    virtual tresult ZV3_API setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult ZV3_API setProcessing(TBool state) = 0;
    virtual tresult ZV3_API process(ProcessData& data) = 0;
    virtual uint32_t ZV3_API getTailSamples() = 0;
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);

protected:
    ~IAudioProcessor() = default;
};

// Which parts of the host's transport context the processor reads: none here.
class IProcessContextRequirements : public FUnknown {
public:
    virtual uint32_t ZV3_API getProcessContextRequirements() = 0;
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);

protected:
    ~IProcessContextRequirements() = default;
};

} // namespace vst3
