// A small CLAP host for tests: opens the built .clap with dlopen (every
// symbol bound at load), creates instances through its factory and drives
// them as a host does: parameter event lists, chunked streams, timers and
// file descriptors, thread-check. Processing runs inside an rtprobe::Scope,
// so that in builds with the real-time probe any allocation, file access or
// lock taken by the plug-in while processing is counted.
#pragma once

#include "plugin/clap/ClapExtensions.h"
#include "support/RealtimeProbe.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace chost {

using Bytes = std::vector<uint8_t>;

// The built module, opened once per process and never closed.
struct Module {
    static Module& shared()
    {
        static Module* module = new Module(ZORVAN_CLAP_PATH);
        return *module;
    }
    explicit Module(const char* path)
    {
        handle = dlopen(path, RTLD_NOW | RTLD_LOCAL);
        if (!handle)
            throw std::runtime_error(dlerror());
        entry = static_cast<const clap_plugin_entry_t*>(dlsym(handle, "clap_entry"));
        if (!entry || !entry->init(path))
            throw std::runtime_error("no usable clap_entry");
        factory = static_cast<const clap_plugin_factory_t*>(entry->get_factory(CLAP_PLUGIN_FACTORY_ID));
        if (!factory)
            throw std::runtime_error("no plug-in factory");
    }
    void* handle = nullptr;
    const clap_plugin_entry_t* entry = nullptr;
    const clap_plugin_factory_t* factory = nullptr;
};

// Parameter value events for one call, in the order given.
struct InEvents {
    void add(clap_id id, uint32_t time, double value, uint16_t space = CLAP_CORE_EVENT_SPACE_ID)
    {
        clap_event_param_value_t e{};
        e.header = {sizeof(e), time, space, CLAP_EVENT_PARAM_VALUE, 0};
        e.param_id = id;
        e.note_id = -1;
        e.port_index = -1;
        e.channel = -1;
        e.key = -1;
        e.value = value;
        events.push_back(e);
    }
    const clap_input_events_t* list()
    {
        api = {this, [](const clap_input_events_t* l) { return static_cast<uint32_t>(self(l)->events.size()); },
               [](const clap_input_events_t* l, uint32_t i) -> const clap_event_header_t* {
                   return i < self(l)->events.size() ? &self(l)->events[i].header : nullptr;
               }};
        return &api;
    }
    static InEvents* self(const clap_input_events_t* l) { return static_cast<InEvents*>(l->ctx); }
    std::vector<clap_event_param_value_t> events;
    clap_input_events_t api{};
};

// What the plug-in tells the host, as text: "begin 8", "value 8 2", "end 8".
struct OutEvents {
    const clap_output_events_t* list()
    {
        api = {this, [](const clap_output_events_t* l, const clap_event_header_t* e) {
                   auto* self = static_cast<OutEvents*>(l->ctx);
                   if (self->refuse)
                       return false;
                   const auto* g = reinterpret_cast<const clap_event_param_gesture_t*>(e);
                   const std::string id = std::to_string(g->param_id);
                   if (e->type == CLAP_EVENT_PARAM_VALUE) {
                       char value[32];
                       std::snprintf(value, sizeof(value), "%g",
                                     reinterpret_cast<const clap_event_param_value_t*>(e)->value);
                       self->log.push_back("value " + id + " " + value);
                   } else
                       self->log.push_back((e->type == CLAP_EVENT_PARAM_GESTURE_BEGIN ? "begin " : "end ") + id);
                   return true;
               }};
        return &api;
    }
    std::vector<std::string> log;
    bool refuse = false; // a full list
    clap_output_events_t api{};
};

// The host side: its extensions, with what the plug-in asked of them.
struct Host {
    Host()
    {
        host = {CLAP_VERSION_INIT,
                this,
                "zorvan test host",
                "Zorvan",
                "",
                "1",
                extension,
                [](const clap_host_t*) {},
                [](const clap_host_t*) {},
                [](const clap_host_t*) {}};
    }
    static Host& of(const clap_host_t* h) { return *static_cast<Host*>(h->host_data); }
    static const void* extension(const clap_host_t* h, const char* id)
    {
        Host& self = of(h);
        if (!std::strcmp(id, CLAP_EXT_PARAMS))
            return &self.params;
        if (!std::strcmp(id, CLAP_EXT_STATE))
            return &self.state;
        if (!std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) && self.offerTimers)
            return &self.timerSupport;
        if (!std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT))
            return &self.fdSupport;
        if (!std::strcmp(id, CLAP_EXT_THREAD_CHECK))
            return &self.threadCheck;
        return nullptr;
    }

    clap_host_t host{};
    bool offerTimers = true;
    std::thread::id mainThread = std::this_thread::get_id();
    int rescans = 0, flushRequests = 0, dirtyMarks = 0;
    std::map<clap_id, uint32_t> timers; // id -> period
    std::set<int> fds;
    clap_id nextTimer = 7;

    clap_host_params_t params = {[](const clap_host_t* h, clap_param_rescan_flags) { ++of(h).rescans; },
                                 [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                 [](const clap_host_t* h) { ++of(h).flushRequests; }};
    clap_host_state_t state = {[](const clap_host_t* h) { ++of(h).dirtyMarks; }};
    clap_host_timer_support_t timerSupport = {
        [](const clap_host_t* h, uint32_t period, clap_id* id) {
            *id = of(h).nextTimer++;
            of(h).timers[*id] = period;
            return true;
        },
        [](const clap_host_t* h, clap_id id) { return of(h).timers.erase(id) == 1; }};
    clap_host_posix_fd_support_t fdSupport = {
        [](const clap_host_t* h, int fd, clap_posix_fd_flags_t) { return of(h).fds.insert(fd).second; },
        [](const clap_host_t*, int, clap_posix_fd_flags_t) { return true; },
        [](const clap_host_t* h, int fd) { return of(h).fds.erase(fd) == 1; }};
    clap_host_thread_check_t threadCheck = {
        [](const clap_host_t* h) { return std::this_thread::get_id() == of(h).mainThread; },
        [](const clap_host_t* h) { return std::this_thread::get_id() != of(h).mainThread; }};
};

// An output stream into a byte vector that takes at most `limit` bytes per call.
struct OutStream {
    const clap_ostream_t* stream()
    {
        api = {this, [](const clap_ostream_t* s, const void* data, uint64_t size) -> int64_t {
                   auto* self = static_cast<OutStream*>(s->ctx);
                   const uint64_t n = std::min<uint64_t>(size, self->limit);
                   const auto* b = static_cast<const uint8_t*>(data);
                   self->bytes.insert(self->bytes.end(), b, b + n);
                   return static_cast<int64_t>(n);
               }};
        return &api;
    }
    Bytes bytes;
    uint64_t limit = 1u << 30;
    clap_ostream_t api{};
};

// An input stream over bytes that hands out at most `limit` bytes per call;
// failAt makes the read at that offset an error.
struct InStream {
    explicit InStream(Bytes b, uint64_t limit = 1u << 30) : bytes(std::move(b)), limit(limit) {}
    const clap_istream_t* stream()
    {
        api = {this, [](const clap_istream_t* s, void* data, uint64_t size) -> int64_t {
                   auto* self = static_cast<InStream*>(s->ctx);
                   if (self->pos == self->failAt)
                       return -1;
                   const uint64_t n = std::min<uint64_t>({size, self->limit, self->bytes.size() - self->pos});
                   if (n > 0)
                       std::memcpy(data, self->bytes.data() + self->pos, n);
                   self->pos += n;
                   return static_cast<int64_t>(n);
               }};
        return &api;
    }
    Bytes bytes;
    uint64_t limit;
    size_t pos = 0;
    size_t failAt = static_cast<size_t>(-1);
    clap_istream_t api{};
};

// One instance with its host, destroyed (after deactivation) at the end.
struct Instance {
    explicit Instance(const clap_plugin_factory_t* factory = Module::shared().factory, bool offerTimers = true)
    {
        host.offerTimers = offerTimers;
        const clap_plugin_descriptor_t* d = factory->get_plugin_descriptor(factory, 0);
        plugin = factory->create_plugin(factory, &host.host, d->id);
        if (!plugin || !plugin->init(plugin))
            throw std::runtime_error("no instance");
        params = ext<clap_plugin_params_t>(CLAP_EXT_PARAMS);
        ports = ext<clap_plugin_audio_ports_t>(CLAP_EXT_AUDIO_PORTS);
        state = ext<clap_plugin_state_t>(CLAP_EXT_STATE);
        gui = ext<clap_plugin_gui_t>(CLAP_EXT_GUI);
        timer = ext<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    }
    ~Instance()
    {
        if (active)
            plugin->deactivate(plugin);
        plugin->destroy(plugin);
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    template <typename Ext>
    const Ext* ext(const char* id) const
    {
        return static_cast<const Ext*>(plugin->get_extension(plugin, id));
    }
    bool activate(double rate)
    {
        active = plugin->activate(plugin, rate, 1, 4096);
        return active;
    }
    void deactivate()
    {
        plugin->deactivate(plugin);
        active = false;
    }
    double value(clap_id id) const
    {
        double v = -1;
        params->get_value(plugin, id, &v);
        return v;
    }

    // One call over two input and two output channels (may be the same
    // buffers); Sample picks the 32- or 64-bit buffers.
    template <typename Sample>
    clap_process_status process(Sample* in0, Sample* in1, Sample* out0, Sample* out1, uint32_t frames,
                                InEvents* events = nullptr, OutEvents* outEvents = nullptr)
    {
        Sample* ins[2] = {in0, in1};
        Sample* outs[2] = {out0, out1};
        clap_audio_buffer_t in{}, out{};
        in.channel_count = out.channel_count = 2;
        setData(in, ins);
        setData(out, outs);
        InEvents none;
        OutEvents ignored;
        clap_process_t p{};
        p.steady_time = -1;
        p.frames_count = frames;
        p.audio_inputs = &in;
        p.audio_outputs = &out;
        p.audio_inputs_count = p.audio_outputs_count = 1;
        p.in_events = (events ? events : &none)->list();
        p.out_events = (outEvents ? outEvents : &ignored)->list();
        rtprobe::Scope inside;
        return plugin->process(plugin, &p);
    }
    static void setData(clap_audio_buffer_t& b, float** data) { b.data32 = data; }
    static void setData(clap_audio_buffer_t& b, double** data) { b.data64 = data; }

    Bytes save(uint64_t limit = 1u << 30)
    {
        OutStream out;
        out.limit = limit;
        return state->save(plugin, out.stream()) ? out.bytes : Bytes();
    }
    bool load(const Bytes& bytes, uint64_t limit = 1u << 30)
    {
        InStream in(bytes, limit);
        return state->load(plugin, in.stream());
    }

    Host host;
    const clap_plugin_t* plugin = nullptr;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_audio_ports_t* ports = nullptr;
    const clap_plugin_state_t* state = nullptr;
    const clap_plugin_gui_t* gui = nullptr;
    const clap_plugin_timer_support_t* timer = nullptr;
    bool active = false;
};

} // namespace chost
