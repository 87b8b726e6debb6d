#include "plugin/clap/ZorvanClap.h"

#include "editor/zorvanGUI.h"
#include "plugin/ParameterText.h"
#include "plugin/SavedState.h"
#include "toolkit/CFrame.h"
#include "toolkit/PlatformWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

namespace zclap {

namespace {

constexpr clap_id kInputPortId = 0;
constexpr clap_id kOutputPortId = 1;
constexpr uint32_t kPortChannels = 2;
constexpr double kSwitchTop = kSwitchPositions - 1; // the highest position's plain value

// The state's header: our tag, layout 1, no flags.
constexpr SavedStateFormat kStateFormat = {{'Z', 'R', 'C', 'L'}, 1};

// A call that must not throw into the host answers its refusal instead.
template <typename Result, typename Call>
Result guarded(Result refusal, Call&& call)
{
    try {
        return call();
    } catch (...) {
        return refusal;
    }
}

bool isSwitch(clap_id id)
{
    return kParameterInfo[id].kind == ParameterKind::Switch;
}

// The plain value the host sees for an engine value: the panel's figure.
double plainFor(clap_id id, float value)
{
    if (isSwitch(id))
        return switchPosition(static_cast<int32_t>(id), value);
    return static_cast<double>(value) * kKnobScale;
}

// The engine value for a plain value from the host; false for a number that
// is none. Values beyond the range are held at its ends; a switch takes the
// whole part of its value, as stepped parameters do.
bool engineValueFor(clap_id id, double plain, float& value)
{
    if (plain != plain)
        return false;
    if (isSwitch(id)) {
        value = switchPositionValue(static_cast<int>(std::min(std::max(plain, 0.0), kSwitchTop)));
        return true;
    }
    value = static_cast<float>(std::min(std::max(plain, 0.0), static_cast<double>(kKnobScale)) / kKnobScale);
    return true;
}

template <typename Sample>
Sample** channelsOf(const clap_audio_buffer_t& buffer);
template <>
float** channelsOf<float>(const clap_audio_buffer_t& buffer)
{
    return buffer.data32;
}
template <>
double** channelsOf<double>(const clap_audio_buffer_t& buffer)
{
    return buffer.data64;
}

bool isParameterEvent(const clap_event_header_t* event)
{
    return event && event->space_id == CLAP_CORE_EVENT_SPACE_ID && event->type == CLAP_EVENT_PARAM_VALUE &&
        event->size >= sizeof(clap_event_param_value_t) &&
        reinterpret_cast<const clap_event_param_value_t*>(event)->param_id < static_cast<clap_id>(kNumParams);
}

// The CLAP window API of the panel's own window system.
const char* windowApi()
{
    return VSTGUI::kWindowSystem == VSTGUI::WindowSystem::Win32 ? CLAP_WINDOW_API_WIN32 : CLAP_WINDOW_API_X11;
}

// The system's handle of the host's window (an X11 Window id, an HWND).
void* parentHandle(const clap_window_t& window)
{
    if (VSTGUI::kWindowSystem == VSTGUI::WindowSystem::Win32)
        return window.win32;
    return reinterpret_cast<void*>(static_cast<uintptr_t>(window.x11));
}

ZorvanClap* self(const clap_plugin_t* plugin)
{
    return ZorvanClap::from(plugin);
}

// ---------------------------------------------------------------------------
// The host's entries, each passed on to the instance.

bool CLAP_ABI pluginInit(const clap_plugin_t* plugin)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->init(); });
}

void CLAP_ABI pluginDestroy(const clap_plugin_t* plugin)
{
    ZorvanClap* s = self(plugin);
    guarded(0, [&] {
        delete s;
        return 0;
    });
}

bool CLAP_ABI pluginActivate(const clap_plugin_t* plugin, double rate, uint32_t minFrames, uint32_t maxFrames)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->activate(rate, minFrames, maxFrames); });
}

void CLAP_ABI pluginDeactivate(const clap_plugin_t* plugin)
{
    if (ZorvanClap* s = self(plugin))
        guarded(0, [&] {
            s->deactivate();
            return 0;
        });
}

bool CLAP_ABI pluginStartProcessing(const clap_plugin_t*)
{
    return true;
}

void CLAP_ABI pluginStopProcessing(const clap_plugin_t*) {}

// The engine clears its histories at deactivate; nothing can be cleared on
// the audio thread without a lock.
void CLAP_ABI pluginReset(const clap_plugin_t*) {}

clap_process_status CLAP_ABI pluginProcess(const clap_plugin_t* plugin, const clap_process_t* process)
{
    ZorvanClap* s = self(plugin);
    return s ? s->process(process) : CLAP_PROCESS_ERROR;
}

const void* CLAP_ABI pluginExtension(const clap_plugin_t* plugin, const char* id)
{
    ZorvanClap* s = self(plugin);
    return s && id ? s->extension(id) : nullptr;
}

void CLAP_ABI pluginOnMainThread(const clap_plugin_t*) {}

uint32_t CLAP_ABI portCount(const clap_plugin_t*, bool)
{
    return 1;
}

bool CLAP_ABI portGet(const clap_plugin_t*, uint32_t index, bool isInput, clap_audio_port_info_t* info)
{
    if (index != 0 || !info)
        return false;
    std::memset(info, 0, sizeof(*info));
    info->id = isInput ? kInputPortId : kOutputPortId;
    std::snprintf(info->name, sizeof(info->name), "%s", isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS |
        CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE;
    info->channel_count = kPortChannels;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = isInput ? kOutputPortId : kInputPortId;
    return true;
}

const clap_plugin_audio_ports_t kAudioPorts = {portCount, portGet};

uint32_t CLAP_ABI paramCount(const clap_plugin_t*)
{
    return kNumParams;
}

bool CLAP_ABI paramInfo(const clap_plugin_t* plugin, uint32_t index, clap_param_info_t* info)
{
    ZorvanClap* s = self(plugin);
    return s && s->paramInfo(index, info);
}

bool CLAP_ABI paramValue(const clap_plugin_t* plugin, clap_id id, double* value)
{
    ZorvanClap* s = self(plugin);
    return s && s->paramValue(id, value);
}

bool CLAP_ABI paramValueToText(const clap_plugin_t* plugin, clap_id id, double value, char* display, uint32_t size)
{
    ZorvanClap* s = self(plugin);
    return s && s->valueToText(id, value, display, size);
}

bool CLAP_ABI paramTextToValue(const clap_plugin_t* plugin, clap_id id, const char* display, double* value)
{
    ZorvanClap* s = self(plugin);
    return s && s->textToValue(id, display, value);
}

void CLAP_ABI paramFlush(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out)
{
    if (ZorvanClap* s = self(plugin))
        s->flush(in, out);
}

const clap_plugin_params_t kParams = {paramCount,       paramInfo,        paramValue,
                                      paramValueToText, paramTextToValue, paramFlush};

bool CLAP_ABI stateSave(const clap_plugin_t* plugin, const clap_ostream_t* stream)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->saveState(stream); });
}

bool CLAP_ABI stateLoad(const clap_plugin_t* plugin, const clap_istream_t* stream)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->loadState(stream); });
}

const clap_plugin_state_t kState = {stateSave, stateLoad};

uint32_t CLAP_ABI latencyGet(const clap_plugin_t*)
{
    return 0;
}

const clap_plugin_latency_t kLatency = {latencyGet};

uint32_t CLAP_ABI tailGet(const clap_plugin_t* plugin)
{
    ZorvanClap* s = self(plugin);
    return s ? static_cast<uint32_t>(s->getEngine().tailSamples()) : 0;
}

const clap_plugin_tail_t kTail = {tailGet};

bool CLAP_ABI guiApiSupported(const clap_plugin_t*, const char* api, bool floating)
{
    return api && !floating && std::strcmp(api, windowApi()) == 0;
}

bool CLAP_ABI guiPreferredApi(const clap_plugin_t*, const char** api, bool* floating)
{
    if (!api || !floating)
        return false;
    *api = windowApi();
    *floating = false;
    return true;
}

bool CLAP_ABI guiCreate(const clap_plugin_t* plugin, const char* api, bool floating)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->guiCreate(api, floating); });
}

void CLAP_ABI guiDestroy(const clap_plugin_t* plugin)
{
    if (ZorvanClap* s = self(plugin))
        guarded(0, [&] {
            s->guiDestroy();
            return 0;
        });
}

// The panel is a fixed bitmap: no scaling, no resizing.
bool CLAP_ABI guiSetScale(const clap_plugin_t*, double)
{
    return false;
}

bool CLAP_ABI guiGetSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height)
{
    ZorvanClap* s = self(plugin);
    return s && s->guiSize(width, height);
}

bool CLAP_ABI guiCanResize(const clap_plugin_t*)
{
    return false;
}

bool CLAP_ABI guiResizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*)
{
    return false;
}

// Whatever is asked, the one size there is.
bool CLAP_ABI guiAdjustSize(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height)
{
    ZorvanClap* s = self(plugin);
    return s && s->guiSize(width, height);
}

bool CLAP_ABI guiSetSize(const clap_plugin_t* plugin, uint32_t width, uint32_t height)
{
    uint32_t w = 0, h = 0;
    ZorvanClap* s = self(plugin);
    return s && s->guiSize(&w, &h) && w == width && h == height;
}

bool CLAP_ABI guiSetParent(const clap_plugin_t* plugin, const clap_window_t* window)
{
    ZorvanClap* s = self(plugin);
    return s && guarded(false, [&] { return s->guiSetParent(window); });
}

// The panel is embedded only.
bool CLAP_ABI guiSetTransient(const clap_plugin_t*, const clap_window_t*)
{
    return false;
}

void CLAP_ABI guiSuggestTitle(const clap_plugin_t*, const char*) {}

// The host shows and hides its own window around the embedded panel.
bool CLAP_ABI guiShow(const clap_plugin_t* plugin)
{
    return self(plugin) != nullptr;
}

bool CLAP_ABI guiHide(const clap_plugin_t* plugin)
{
    return self(plugin) != nullptr;
}

const clap_plugin_gui_t kGui = {guiApiSupported, guiPreferredApi, guiCreate,       guiDestroy,    guiSetScale,
                                guiGetSize,      guiCanResize,    guiResizeHints,  guiAdjustSize, guiSetSize,
                                guiSetParent,    guiSetTransient, guiSuggestTitle, guiShow,       guiHide};

void CLAP_ABI timerFired(const clap_plugin_t* plugin, clap_id timer)
{
    if (ZorvanClap* s = self(plugin))
        guarded(0, [&] {
            s->onTimer(timer);
            return 0;
        });
}

const clap_plugin_timer_support_t kTimerSupport = {timerFired};

void CLAP_ABI fdReady(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t)
{
    if (ZorvanClap* s = self(plugin))
        guarded(0, [&] {
            s->onFd(fd);
            return 0;
        });
}

const clap_plugin_posix_fd_support_t kFdSupport = {fdReady};

template <typename Extension>
const Extension* hostExtension(const clap_host_t* host, const char* id)
{
    return host && host->get_extension ? static_cast<const Extension*>(host->get_extension(host, id)) : nullptr;
}

} // namespace

ZorvanClap* ZorvanClap::from(const clap_plugin_t* plugin)
{
    return plugin && plugin->init == pluginInit ? static_cast<ZorvanClap*>(plugin->plugin_data) : nullptr;
}

ZorvanClap::ZorvanClap(const clap_host_t* host, const clap_plugin_descriptor_t* descriptor) : host(host), engine(this)
{
    clapPlugin.desc = descriptor;
    clapPlugin.plugin_data = this;
    clapPlugin.init = pluginInit;
    clapPlugin.destroy = pluginDestroy;
    clapPlugin.activate = pluginActivate;
    clapPlugin.deactivate = pluginDeactivate;
    clapPlugin.start_processing = pluginStartProcessing;
    clapPlugin.stop_processing = pluginStopProcessing;
    clapPlugin.reset = pluginReset;
    clapPlugin.process = pluginProcess;
    clapPlugin.get_extension = pluginExtension;
    clapPlugin.on_main_thread = pluginOnMainThread;
}

ZorvanClap::~ZorvanClap()
{
    engine.setListener(nullptr);
    if (guiCreated)
        guiDestroy();
    delete editor;
}

// ---------------------------------------------------------------------------
// Life cycle

bool ZorvanClap::init()
{
    // Host extensions may be asked for from here on, not before.
    hostParams = hostExtension<clap_host_params_t>(host, CLAP_EXT_PARAMS);
    hostState = hostExtension<clap_host_state_t>(host, CLAP_EXT_STATE);
    hostTimers = hostExtension<clap_host_timer_support_t>(host, CLAP_EXT_TIMER_SUPPORT);
    hostFds = hostExtension<clap_host_posix_fd_support_t>(host, CLAP_EXT_POSIX_FD_SUPPORT);
    hostThreads = hostExtension<clap_host_thread_check_t>(host, CLAP_EXT_THREAD_CHECK);

    // The panel comes last; without one the plug-in runs headless.
    if (!editor) {
        editor = new (std::nothrow) zorvanGUI(this);
        if (editor)
            editor->setKnobMode(2);
    }
    return true;
}

bool ZorvanClap::onMainThread() const
{
    return !hostThreads || !hostThreads->is_main_thread || hostThreads->is_main_thread(host);
}

bool ZorvanClap::activate(double sampleRate, uint32_t /*minFrames*/, uint32_t /*maxFrames*/)
{
    // Blocks of any length are processed alike, so the frame counts do not matter.
    if (active || !onMainThread())
        return false;
    if (!(sampleRate >= ZorvanEngine::kMinSampleRate && sampleRate <= ZorvanEngine::kMaxSampleRate) ||
        !engine.setSampleRate(static_cast<float>(sampleRate)))
        return false;
    engine.resume();
    active = true;
    return true;
}

void ZorvanClap::deactivate()
{
    if (!active)
        return;
    // As a VST 2.4 host's switch-off: the cabinets start from silence next time.
    engine.suspend();
    active = false;
}

const void* ZorvanClap::extension(const char* id) const
{
    if (std::strcmp(id, CLAP_EXT_AUDIO_PORTS) == 0)
        return &kAudioPorts;
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0)
        return &kParams;
    if (std::strcmp(id, CLAP_EXT_STATE) == 0)
        return &kState;
    if (std::strcmp(id, CLAP_EXT_LATENCY) == 0)
        return &kLatency;
    if (std::strcmp(id, CLAP_EXT_TAIL) == 0)
        return &kTail;
    if (!editor)
        return nullptr;
    if (std::strcmp(id, CLAP_EXT_GUI) == 0)
        return &kGui;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0)
        return &kTimerSupport;
    // File descriptors wake X11 panels only.
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0 && VSTGUI::kWindowSystem == VSTGUI::WindowSystem::X11)
        return &kFdSupport;
    return nullptr;
}

// ---------------------------------------------------------------------------
// Processing

clap_process_status ZorvanClap::process(const clap_process_t* process)
{
    if (!process)
        return CLAP_PROCESS_ERROR;
    sendEdits(process->out_events);

    const uint32_t frames = process->frames_count;
    const clap_audio_buffer_t* out = process->audio_outputs_count > 0 ? process->audio_outputs : nullptr;
    const bool wide = out && out->data64 && !out->data32;
    const bool playable = out && out->channel_count >= 1 &&
        (wide ? out->data64[0] != nullptr : out->data32 && out->data32[0] != nullptr);
    auto renderTo = [&](uint32_t from, uint32_t to) {
        if (!playable)
            return;
        if (wide)
            render<double>(process, from, to);
        else
            render<float>(process, from, to);
    };

    // Render up to each parameter event, apply it, go on. Events arrive in
    // time order; a late one applies at the current frame, one beyond the
    // block after it.
    const clap_input_events_t* in = process->in_events;
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    uint32_t pos = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (!isParameterEvent(event))
            continue;
        const uint32_t at = std::min(std::max(event->time, pos), frames);
        renderTo(pos, at);
        pos = at;
        applyEvent(event);
    }
    renderTo(pos, frames);

    if (!playable)
        return frames == 0 ? CLAP_PROCESS_CONTINUE : CLAP_PROCESS_ERROR;
    process->audio_outputs[0].constant_mask = 0;
    // The amplifier's filters and the cabinet ring on: never asked to sleep.
    return CLAP_PROCESS_CONTINUE;
}

template <typename Sample>
void ZorvanClap::render(const clap_process_t* process, uint32_t from, uint32_t to)
{
    if (to <= from)
        return;
    const clap_audio_buffer_t& outBus = process->audio_outputs[0];
    Sample** outs = channelsOf<Sample>(outBus);
    const clap_audio_buffer_t* inBus = process->audio_inputs_count > 0 ? process->audio_inputs : nullptr;
    Sample** ins = inBus ? channelsOf<Sample>(*inBus) : nullptr;
    const uint32_t inChannels = ins ? inBus->channel_count : 0;
    const bool leftIn = inChannels >= 1 && ins[0];
    const bool rightIn = leftIn && inChannels >= 2 && ins[1];
    const bool rightOut = outBus.channel_count >= 2 && outs[1];

    if (rightIn && rightOut) {
        engine.process(ins[0] + from, ins[1] + from, outs[0] + from, outs[1] + from, static_cast<int32_t>(to - from));
        return;
    }
    // A missing input channel is silence (one input of two feeds the
    // amplifier alone); a missing right output gets nothing.
    PassBuffers<Sample>& b = buffersFor(Sample());
    for (uint32_t pos = from; pos < to; pos += kPass) {
        const int32_t n = static_cast<int32_t>(std::min<uint32_t>(kPass, to - pos));
        engine.process(leftIn ? ins[0] + pos : b.zero, rightIn ? ins[1] + pos : b.zero, outs[0] + pos,
                       rightOut ? outs[1] + pos : b.spare, n);
    }
}

void ZorvanClap::applyEvent(const clap_event_header_t* event)
{
    const auto* change = reinterpret_cast<const clap_event_param_value_t*>(event);
    float value = 0.f;
    if (engineValueFor(change->param_id, change->value, value))
        engine.setParameter(static_cast<int32_t>(change->param_id), value);
}

void ZorvanClap::sendEdits(const clap_output_events_t* out)
{
    // Without a list the edits wait for the next call that has one.
    if (!out || !out->try_push)
        return;
    ClapEditQueue::Edit edit;
    while (edits.peek(edit)) {
        bool sent;
        if (edit.kind == ClapEditQueue::Kind::Value) {
            clap_event_param_value_t e{};
            e.header = {sizeof(e), 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            e.param_id = edit.param;
            e.cookie = nullptr;
            e.note_id = -1;
            e.port_index = -1;
            e.channel = -1;
            e.key = -1;
            e.value = edit.value;
            sent = out->try_push(out, &e.header);
        } else {
            clap_event_param_gesture_t e{};
            const uint16_t type = edit.kind == ClapEditQueue::Kind::Begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                          : CLAP_EVENT_PARAM_GESTURE_END;
            e.header = {sizeof(e), 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
            e.param_id = edit.param;
            sent = out->try_push(out, &e.header);
        }
        if (!sent)
            return;
        edits.drop();
    }
}

// ---------------------------------------------------------------------------
// Parameters

bool ZorvanClap::paramInfo(uint32_t index, clap_param_info_t* info) const
{
    if (index >= static_cast<uint32_t>(kNumParams) || !info)
        return false;
    std::memset(info, 0, sizeof(*info));
    info->id = index;
    info->flags = CLAP_PARAM_IS_AUTOMATABLE | (isSwitch(index) ? static_cast<uint32_t>(CLAP_PARAM_IS_STEPPED) : 0u);
    info->cookie = nullptr;
    std::snprintf(info->name, sizeof(info->name), "%s", kParameterInfo[index].name);
    info->module[0] = 0;
    info->min_value = 0.0;
    info->max_value = isSwitch(index) ? kSwitchTop : static_cast<double>(kKnobScale);
    info->default_value = plainFor(index, kDefaultValues[0][index]);
    return true;
}

bool ZorvanClap::paramValue(clap_id id, double* value) const
{
    if (id >= static_cast<clap_id>(kNumParams) || !value)
        return false;
    *value = plainFor(id, engine.getParameter(static_cast<int32_t>(id)));
    return true;
}

bool ZorvanClap::valueToText(clap_id id, double value, char* display, uint32_t size) const
{
    float engineValue = 0.f;
    return id < static_cast<clap_id>(kNumParams) && display && size > 0 && engineValueFor(id, value, engineValue) &&
        parameterText(static_cast<int32_t>(id), engineValue, display, size);
}

bool ZorvanClap::textToValue(clap_id id, const char* display, double* value) const
{
    float engineValue = 0.f;
    if (id >= static_cast<clap_id>(kNumParams) || !value ||
        !parameterFromText(static_cast<int32_t>(id), display, engineValue))
        return false;
    *value = plainFor(id, engineValue);
    return true;
}

void ZorvanClap::flush(const clap_input_events_t* in, const clap_output_events_t* out)
{
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = in->get(in, i);
        if (isParameterEvent(event))
            applyEvent(event);
    }
    sendEdits(out);
}

// ---------------------------------------------------------------------------
// State

bool ZorvanClap::saveState(const clap_ostream_t* stream)
{
    if (!stream || !stream->write || !onMainThread())
        return false;
    void* chunk = nullptr;
    if (engine.getChunk(&chunk, true) != kPresetChunkSize || !chunk)
        return false;
    SavedState state;
    std::memcpy(&state.record, chunk, kPresetChunkSize);
    state.flags = 0;
    unsigned char bytes[kSavedStateSize];
    encodeSavedState(kStateFormat, state, bytes);
    // Streams may take fewer bytes per call than offered.
    for (size_t done = 0; done < sizeof(bytes);) {
        const int64_t n = stream->write(stream, bytes + done, sizeof(bytes) - done);
        if (n <= 0 || static_cast<uint64_t>(n) > sizeof(bytes) - done)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool ZorvanClap::loadState(const clap_istream_t* stream)
{
    if (!stream || !stream->read || !onMainThread())
        return false;
    // One byte more than a state holds tells a longer stream from an exact one.
    unsigned char bytes[kSavedStateSize + 1];
    size_t total = 0;
    while (total < sizeof(bytes)) {
        const int64_t n = stream->read(stream, bytes + total, sizeof(bytes) - total);
        if (n == 0)
            break;
        if (n < 0 || static_cast<uint64_t>(n) > sizeof(bytes) - total)
            return false;
        total += static_cast<size_t>(n);
    }
    SavedState state;
    if (!decodeSavedState(kStateFormat, bytes, total, state) ||
        engine.setChunk(&state.record, kPresetChunkSize, true) != 1)
        return false;
    if (hostParams && hostParams->rescan)
        hostParams->rescan(host, CLAP_PARAM_RESCAN_VALUES);
    return true;
}

// ---------------------------------------------------------------------------
// The panel

bool ZorvanClap::guiCreate(const char* api, bool floating)
{
    if (guiCreated || !editor || !guiApiSupported(&clapPlugin, api, floating) || !onMainThread())
        return false;
    // The host's timer where it offers one, else one of our own (Windows);
    // without either nothing would ever let the panel idle.
    clap_id timer = CLAP_INVALID_ID;
    if (hostTimers && hostTimers->register_timer && hostTimers->unregister_timer &&
        hostTimers->register_timer(host, kTimerMilliseconds, &timer))
        timerId = timer;
    else if (!EditorIdleTimer::available())
        return false;
    guiCreated = true;
    return true;
}

void ZorvanClap::guiDestroy()
{
    if (!guiCreated)
        return;
    closePanel();
    if (timerId != CLAP_INVALID_ID)
        hostTimers->unregister_timer(host, timerId);
    timerId = CLAP_INVALID_ID;
    guiCreated = false;
}

void ZorvanClap::closePanel()
{
    if (watchedFd >= 0 && hostFds && hostFds->unregister_fd)
        hostFds->unregister_fd(host, watchedFd);
    watchedFd = -1;
    ownTimer.stop();
    if (editor && editor->getFrame())
        editor->close();
}

bool ZorvanClap::guiSize(uint32_t* width, uint32_t* height) const
{
    ERect* rect = nullptr;
    if (!width || !height || !editor || !editor->getRect(&rect) || !rect)
        return false;
    *width = static_cast<uint32_t>(rect->right - rect->left);
    *height = static_cast<uint32_t>(rect->bottom - rect->top);
    return true;
}

bool ZorvanClap::guiSetParent(const clap_window_t* window)
{
    if (!guiCreated || !window || !window->api || std::strcmp(window->api, windowApi()) != 0 ||
        !parentHandle(*window) || !onMainThread())
        return false;
    // A second parent replaces the first.
    closePanel();
    editor->open(parentHandle(*window));
    VSTGUI::CFrame* frame = editor->getFrame();
    if (!frame || !frame->getSystemWindow() ||
        (timerId == CLAP_INVALID_ID && !ownTimer.start(*editor, kTimerMilliseconds))) {
        editor->close();
        return false;
    }
    // Events on the panel's connection wake it at once; the timer covers the rest.
    const int fd = frame->getEventFd();
    if (fd >= 0 && hostFds && hostFds->register_fd && hostFds->register_fd(host, fd, CLAP_POSIX_FD_READ))
        watchedFd = fd;
    editor->idle();
    return true;
}

void ZorvanClap::guiIdle()
{
    if (editor && editor->getFrame())
        editor->idle();
}

void ZorvanClap::onTimer(clap_id timer)
{
    if (guiCreated && timer == timerId)
        guiIdle();
}

void ZorvanClap::onFd(int fd)
{
    if (fd >= 0 && fd == watchedFd)
        guiIdle();
}

// ---------------------------------------------------------------------------
// Engine listener

void ZorvanClap::parameterChanged(int32_t index, float value)
{
    if (editor && index >= 0 && index < kNumParams)
        editor->setParameter(index, value);
}

void ZorvanClap::programChanged()
{
    if (editor)
        editor->refreshIrName();
}

// ---------------------------------------------------------------------------
// Editor link

float ZorvanClap::getParameter(int32_t index)
{
    return engine.getParameter(index);
}

void ZorvanClap::queueEdit(const ClapEditQueue::Edit& edit)
{
    edits.push(edit);
    if (hostParams && hostParams->request_flush)
        hostParams->request_flush(host);
}

void ZorvanClap::setParameterAutomated(int32_t index, float value)
{
    if (index < 0 || index >= kNumParams)
        return;
    // Applied at once, as the VST 2.4 panel does, so the sound follows the
    // knob even while the host is not processing; the host hears of it at
    // the next process or flush.
    engine.setParameter(index, value);
    const clap_id id = static_cast<clap_id>(index);
    queueEdit({ClapEditQueue::Kind::Value, id, plainFor(id, value)});
}

bool ZorvanClap::beginEdit(int32_t index)
{
    // Tags beyond the nine (the LOAD button, the logo) are no parameters.
    if (index < 0 || index >= kNumParams)
        return false;
    queueEdit({ClapEditQueue::Kind::Begin, static_cast<clap_id>(index), 0.0});
    return true;
}

bool ZorvanClap::endEdit(int32_t index)
{
    if (index < 0 || index >= kNumParams)
        return false;
    queueEdit({ClapEditQueue::Kind::End, static_cast<clap_id>(index), 0.0});
    return true;
}

const char* ZorvanClap::getIrPath(int program) const
{
    return engine.irPathForEditor(program);
}

bool ZorvanClap::loadIrPath(const char* path)
{
    if (!engine.loadIrPath(path))
        return false;
    // The response path is state but no parameter: the host learns that its
    // project changed.
    if (hostState && hostState->mark_dirty)
        hostState->mark_dirty(host);
    return true;
}

} // namespace zclap
