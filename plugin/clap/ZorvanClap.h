// The CLAP shell of the plug-in: one clap_plugin per instance with the
// extensions audio-ports, params, state, latency, tail, gui (embedded in an
// X11 window on Linux, in an HWND on Windows), timer-support and, for X11,
// posix-fd-support. The panel idles on the host's timer; on Windows, for a
// host without timer-support, on a timer of its own window. It translates the host's calls into the
// engine's and owns the panel; every parameter, state and impulse-response
// rule stays in the engine.
//
// One stereo input port and one stereo output port, processed in place if
// the host likes; mono inside: the inputs are summed and both outputs carry
// the result.
//
// Parameters keep their VST 2.4 indices as ids. Plain values are what the
// panel prints: knobs 0 to 10 (ten times the engine's value), switches their
// position 0, 1 or 2 (CLEAN / RHYTHM / LEAD, INT. / OFF / EXT.).
//
// Threads (one line per host entry; where the host offers thread-check, a
// main-thread entry called from elsewhere is refused):
// - process, start_processing, stop_processing, reset, params.flush while
//   active: the audio thread; lock-free, allocation-free, no files.
//   Parameter events split the block and reach the engine in order.
// - init, destroy, activate, deactivate, state, audio-ports, latency, the
//   parameter descriptions and texts, params.flush while inactive, gui,
//   on_timer, on_fd: the main thread.
// - params.get_value, tail.get: any thread, wait-free.
// - The editor link (the panel): the main thread. Its edits reach the engine
//   at once and the host as events at the next process or flush, which the
//   shell asks for with request_flush.
#pragma once

#include "plugin/ZorvanEditorLink.h"
#include "plugin/ZorvanEngine.h"
#include "plugin/clap/ClapEditQueue.h"
#include "plugin/clap/ClapExtensions.h"
#include "toolkit/EditorIdleTimer.h"

#include <atomic>

class zorvanGUI;

namespace zclap {

class ZorvanClap final : public ZorvanEditorLink, private ZorvanEngineListener {
public:
    static constexpr uint32_t kTimerMilliseconds = 30; // panel idle rate without events

    // The instance behind a plug-in handle the host passes back (null for a
    // handle that is not ours).
    static ZorvanClap* from(const clap_plugin_t* plugin);

    ZorvanClap(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor);
    ~ZorvanClap();
    ZorvanClap(const ZorvanClap&) = delete;
    ZorvanClap& operator=(const ZorvanClap&) = delete;

    // The handle handed to the host; destroy() deletes the instance.
    const clap_plugin_t* plugin() const { return &clapPlugin; }

    // clap_plugin
    bool init();
    bool activate(double sampleRate, uint32_t minFrames, uint32_t maxFrames);
    void deactivate();
    clap_process_status process(const clap_process_t* process);
    const void* extension(const char* id) const;

    // params
    bool paramInfo(uint32_t index, clap_param_info_t* info) const;
    bool paramValue(clap_id id, double* value) const;
    bool valueToText(clap_id id, double value, char* display, uint32_t size) const;
    bool textToValue(clap_id id, const char* display, double* value) const;
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // state
    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);

    // gui
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSize(uint32_t* width, uint32_t* height) const;
    bool guiSetParent(const clap_window_t* window);
    void guiIdle();
    void onTimer(clap_id timer);
    void onFd(int fd);

    // ZorvanEditorLink (the panel, main thread)
    float getParameter(int32_t index) override;
    void setParameterAutomated(int32_t index, float value) override;
    bool beginEdit(int32_t index) override;
    bool endEdit(int32_t index) override;
    int32_t getProgram() override { return engine.getProgram(); }
    const char* getIrPath(int program) const override;
    bool loadIrPath(const char* path) override;

    // For tests.
    const ZorvanEngine& getEngine() const { return engine; }
    zorvanGUI* getEditor() const { return editor; }

private:
    // Engine listener: the panel follows.
    void parameterChanged(int32_t index, float value) override;
    void programChanged() override;

    bool onMainThread() const;
    void applyEvent(const clap_event_header_t* event);
    void sendEdits(const clap_output_events_t* out);
    void queueEdit(const ClapEditQueue::Edit& edit);
    template <typename Sample>
    void render(const clap_process_t* process, uint32_t from, uint32_t to);
    void closePanel();

    static constexpr int kPass = 256; // frames per pass when a channel is missing

    clap_plugin_t clapPlugin; // what the host holds; plugin_data is this
    const clap_host_t* host;  // the host, for the instance's life
    const clap_host_params_t* hostParams = nullptr;
    const clap_host_state_t* hostState = nullptr;
    const clap_host_timer_support_t* hostTimers = nullptr;
    const clap_host_posix_fd_support_t* hostFds = nullptr;
    const clap_host_thread_check_t* hostThreads = nullptr;

    ZorvanEngine engine;         // everything the plug-in computes and stores
    zorvanGUI* editor = nullptr; // the panel, from init to destroy
    ClapEditQueue edits;         // panel edits not yet told to the host
    bool active = false;         // between activate and deactivate

    bool guiCreated = false;           // between gui.create and gui.destroy
    clap_id timerId = CLAP_INVALID_ID; // the host's timer for the panel, if it offers one
    EditorIdleTimer ownTimer;          // idles the open panel where the host has no timer
    int watchedFd = -1;                // the panel's X11 connection, registered with the host

    // Audio thread: stand-ins for a channel the host did not hand over.
    template <typename Sample>
    struct PassBuffers {
        Sample zero[kPass] = {}; // silence for a missing input channel
        Sample spare[kPass];     // sink for a missing output channel
    };
    PassBuffers<float> buffers32;
    PassBuffers<double> buffers64;
    PassBuffers<float>& buffersFor(float) { return buffers32; }
    PassBuffers<double>& buffersFor(double) { return buffers64; }
};

} // namespace zclap
