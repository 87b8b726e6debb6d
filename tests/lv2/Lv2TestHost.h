// A small LV2 host for the tests: lilv finds the built bundle; each instance
// runs with its ports on buffers of ours, a worker of ours (jobs at once on
// the scheduling thread, or on a thread of its own), patch messages in and
// notifications out. Also the VST 2.4 library of the same build, loaded as a
// host loads it, as the reference the LV2 output must equal.
#pragma once

#include "TestResponse.h"
#include "plugin/Parameters.h"
#include "support/VstHost.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>
#include <lv2/worker/worker.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace lv2test {

// URIs to numbers, thread-safe.
class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid);
    LV2_URID_Map mapFeature;
    LV2_URID_Unmap unmapFeature;

private:
    std::mutex mutex;
    std::deque<std::string> uris; // URID n is uris[n - 1]
};

// The built bundle as a host finds it; one per process.
struct Lv2World {
    static Lv2World& get();
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    UridMap urids;

private:
    Lv2World();
};

// Called around every call into the plug-in's audio side (run, work_response)
// with true before and false after; a test hooks its real-time probe here.
extern void (*gAudioCallHook)(bool entering);

// The host's worker.
class TestWorker {
public:
    enum class Mode {
        Immediate, // a job runs inside schedule_work
        Threaded,  // jobs run on the worker's own thread
        Deferred,  // jobs wait, without a lock or an allocation, for runDeferred()
    };
    explicit TestWorker(Mode mode);
    ~TestWorker();
    void attach(LilvInstance* instance);
    LV2_Worker_Schedule schedule; // what the plug-in calls
    // Audio thread, after run: hands finished jobs' responses to the plug-in.
    void deliverResponses();
    // Waits until every job scheduled so far has run.
    void drain();
    // Deferred mode: runs the jobs scheduled so far, on the calling thread.
    void runDeferred();

private:
    static LV2_Worker_Status scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data);
    static LV2_Worker_Status respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data);
    void runJob(const std::vector<uint8_t>& job);
    void loop();

    const Mode mode;
    LilvInstance* instance = nullptr;
    const LV2_Worker_Interface* iface = nullptr;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::vector<uint8_t>> jobs;
    std::vector<std::vector<uint8_t>> responses;
    int busy = 0; // jobs taken but not finished
    static constexpr int kDeferredJobs = 8;
    uint8_t deferred[kDeferredJobs][2048]; // Deferred mode: the jobs' bytes
    uint32_t deferredSize[kDeferredJobs];  // and their sizes
    int deferredCount = 0;                 // jobs waiting
    bool stopping = false;
    std::thread thread;
};

// One instance of the LV2 plug-in.
class Lv2Plugin {
public:
    struct Options {
        bool worker = true; // offer work:schedule at instantiation
        TestWorker::Mode workerMode = TestWorker::Mode::Immediate;
    };
    explicit Lv2Plugin(double rate, Options options);
    explicit Lv2Plugin(double rate) : Lv2Plugin(rate, Options()) {}
    ~Lv2Plugin();
    Lv2Plugin(const Lv2Plugin&) = delete;
    Lv2Plugin& operator=(const Lv2Plugin&) = delete;

    bool valid() const { return instance != nullptr; }
    // Control port of parameter index, in port units (knobs 0 to 10, switch positions).
    void set(int32_t index, float port) { controls[index] = port; }
    // Messages on the control port at the next run.
    void sendPatchSet(const std::string& path);
    void sendPatchGet();
    // One run over the caller's buffers; the worker's responses follow it.
    void run(const float* in0, const float* in1, float* out0, float* out1, uint32_t frames);
    void activate();
    void deactivate();

    // lilv's state of the instance. saveDir: the folder lilv lets the plug-in
    // create files in (makePath), or empty for none.
    LilvState* saveState(const std::string& saveDir);
    // Restores state; with restoreWorker, hands the instance's worker to restore.
    void restore(const LilvState* state, bool restoreWorker = false);

    float controls[kNumParams];        // control port values
    std::vector<std::string> reported; // patch:Set paths seen on notify, in order
    int stateChanges = 0;              // state:StateChanged seen on notify
    TestWorker* worker() { return worker_; }

private:
    LilvInstance* instance = nullptr;
    TestWorker* worker_ = nullptr;
    std::vector<std::vector<uint8_t>> pending; // messages for the next run
    alignas(8) uint8_t controlBuffer[8192];
    alignas(8) uint8_t notifyBuffer[8192];
    std::mutex runMutex; // run and restore's port writes
};

// The VST 2.4 library of the same build, on the tests' common VST host.
class VstReference {
public:
    explicit VstReference(float rate);
    // The nine normalised values and the response path, as one preset chunk.
    void apply(const float (&values)[kNumParams], const std::string& irPath);
    void setParameter(int32_t index, float value);
    void run(const float* in0, const float* in1, float* out0, float* out1, uint32_t frames);

private:
    testhost::Plugin plugin; // an instance of the shared library
};

// A stereo test signal: a guitar-like pluck train plus noise, different per channel.
struct Signal {
    Signal(size_t frames, uint32_t seed);
    std::vector<float> left, right;
};

// Output of a whole signal through run calls of blockSize frames.
struct Rendered {
    std::vector<float> left, right;
};
template <typename Host>
Rendered render(Host& host, const Signal& signal, size_t blockSize, size_t from = 0, size_t frames = 0)
{
    const size_t end = frames ? from + frames : signal.left.size();
    Rendered out;
    out.left.assign(end - from, 0.f);
    out.right.assign(end - from, 0.f);
    for (size_t at = from; at < end; at += blockSize) {
        const size_t n = end - at < blockSize ? end - at : blockSize;
        host.run(signal.left.data() + at, signal.right.data() + at, out.left.data() + (at - from),
                 out.right.data() + (at - from), static_cast<uint32_t>(n));
    }
    return out;
}

// Index of the first sample whose bits differ, or -1.
long firstDifference(const std::vector<float>& a, const std::vector<float>& b);

// A scratch folder, removed with everything in it.
struct TempDir {
    TempDir();
    ~TempDir();
    std::string path;
};

// An atom patch:Set of the response file to *path, or a patch:Get when path is null.
std::vector<uint8_t> patchMessage(const std::string* path);

} // namespace lv2test
