#include "Lv2TestHost.h"

#include "plugin/ZorvanProgram.h"
#include "plugin/lv2/Lv2Ports.h"

#include <lv2/atom/forge.h>
#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>

#include <stdlib.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace lv2test {

using namespace zorvan::lv2;

// ---------------------------------------------------------------------------
// URIDs and the world

UridMap::UridMap()
{
    mapFeature.handle = this;
    mapFeature.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->map(uri); };
    unmapFeature.handle = this;
    unmapFeature.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID u) { return static_cast<UridMap*>(h)->unmap(u); };
}

LV2_URID UridMap::map(const char* uri)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return static_cast<LV2_URID>(i + 1);
    uris.emplace_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

const char* UridMap::unmap(LV2_URID urid)
{
    std::lock_guard<std::mutex> lock(mutex);
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

Lv2World& Lv2World::get()
{
    static Lv2World instance;
    return instance;
}

Lv2World::Lv2World()
{
    world = lilv_world_new();
    const std::string bundleUri = "file://" + std::string(ZORVAN_LV2_BUNDLE) + "/";
    LilvNode* bundle = lilv_new_uri(world, bundleUri.c_str());
    lilv_world_load_specifications(world);
    lilv_world_load_plugin_classes(world);
    lilv_world_load_bundle(world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(world, kPluginUri);
    plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world), uri);
    lilv_node_free(uri);
    if (!plugin)
        throw std::runtime_error("the bundle's plug-in is not found");
}

// ---------------------------------------------------------------------------
// Worker

void (*gAudioCallHook)(bool entering) = nullptr;

namespace {

void audioCall(bool entering)
{
    if (gAudioCallHook)
        gAudioCallHook(entering);
}

} // namespace

TestWorker::TestWorker(Mode mode) : mode(mode)
{
    schedule.handle = this;
    schedule.schedule_work = scheduleWork;
    if (mode == Mode::Threaded)
        thread = std::thread([this] { loop(); });
}

TestWorker::~TestWorker()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    if (thread.joinable())
        thread.join();
}

void TestWorker::attach(LilvInstance* inst)
{
    instance = inst;
    iface = static_cast<const LV2_Worker_Interface*>(lilv_instance_get_extension_data(inst, LV2_WORKER__interface));
}

LV2_Worker_Status TestWorker::scheduleWork(LV2_Worker_Schedule_Handle handle, uint32_t size, const void* data)
{
    auto* self = static_cast<TestWorker*>(handle);
    if (self->mode == Mode::Deferred) {
        if (self->deferredCount == kDeferredJobs || size > sizeof self->deferred[0])
            return LV2_WORKER_ERR_NO_SPACE;
        std::memcpy(self->deferred[self->deferredCount], data, size);
        self->deferredSize[self->deferredCount++] = size;
        return LV2_WORKER_SUCCESS;
    }
    std::vector<uint8_t> job(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    if (self->mode == Mode::Immediate) {
        self->runJob(job);
        return LV2_WORKER_SUCCESS;
    }
    {
        std::lock_guard<std::mutex> lock(self->mutex);
        self->jobs.push_back(std::move(job));
    }
    self->wake.notify_all();
    return LV2_WORKER_SUCCESS;
}

LV2_Worker_Status TestWorker::respond(LV2_Worker_Respond_Handle handle, uint32_t size, const void* data)
{
    auto* self = static_cast<TestWorker*>(handle);
    std::lock_guard<std::mutex> lock(self->mutex);
    self->responses.emplace_back(static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
    return LV2_WORKER_SUCCESS;
}

void TestWorker::runJob(const std::vector<uint8_t>& job)
{
    iface->work(lilv_instance_get_handle(instance), respond, this, static_cast<uint32_t>(job.size()), job.data());
}

void TestWorker::loop()
{
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        wake.wait(lock, [this] { return stopping || !jobs.empty(); });
        if (jobs.empty())
            return;
        std::vector<uint8_t> job = std::move(jobs.front());
        jobs.pop_front();
        ++busy;
        lock.unlock();
        runJob(job);
        lock.lock();
        --busy;
        wake.notify_all();
    }
}

void TestWorker::drain()
{
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait(lock, [this] { return jobs.empty() && busy == 0; });
}

void TestWorker::runDeferred()
{
    for (int i = 0; i < deferredCount; ++i)
        runJob(std::vector<uint8_t>(deferred[i], deferred[i] + deferredSize[i]));
    deferredCount = 0;
}

void TestWorker::deliverResponses()
{
    std::vector<std::vector<uint8_t>> ready;
    {
        std::lock_guard<std::mutex> lock(mutex);
        ready.swap(responses);
    }
    for (const auto& r : ready) {
        audioCall(true);
        iface->work_response(lilv_instance_get_handle(instance), static_cast<uint32_t>(r.size()), r.data());
        audioCall(false);
    }
}

// ---------------------------------------------------------------------------
// Plug-in instance

Lv2Plugin::Lv2Plugin(double rate, Options options)
{
    Lv2World& w = Lv2World::get();
    for (int32_t i = 0; i < kNumParams; ++i)
        controls[i] = portDefault(i);
    if (options.worker)
        worker_ = new TestWorker(options.workerMode);
    LV2_Feature map{LV2_URID__map, &w.urids.mapFeature};
    LV2_Feature unmap{LV2_URID__unmap, &w.urids.unmapFeature};
    LV2_Feature schedule{LV2_WORKER__schedule, worker_ ? &worker_->schedule : nullptr};
    const LV2_Feature* features[] = {&map, &unmap, worker_ ? &schedule : nullptr, nullptr};
    instance = lilv_plugin_instantiate(w.plugin, rate, features);
    if (!instance)
        return;
    if (worker_)
        worker_->attach(instance);
    for (int32_t i = 0; i < kNumParams; ++i)
        lilv_instance_connect_port(instance, parameterPort(i), &controls[i]);
    lilv_instance_connect_port(instance, kPortControl, controlBuffer);
    lilv_instance_connect_port(instance, kPortNotify, notifyBuffer);
    activate();
}

Lv2Plugin::~Lv2Plugin()
{
    if (instance) {
        if (worker_)
            worker_->drain();
        lilv_instance_deactivate(instance);
    }
    delete worker_; // stops its thread before the instance goes
    if (instance)
        lilv_instance_free(instance);
}

void Lv2Plugin::activate()
{
    lilv_instance_activate(instance);
}

void Lv2Plugin::deactivate()
{
    lilv_instance_deactivate(instance);
}

std::vector<uint8_t> patchMessage(const std::string* path)
{
    UridMap& u = Lv2World::get().urids;
    std::vector<uint8_t> buffer(4096);
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &u.mapFeature);
    lv2_atom_forge_set_buffer(&forge, buffer.data(), buffer.size());
    LV2_Atom_Forge_Frame frame;
    lv2_atom_forge_object(&forge, &frame, 0, u.map(path ? LV2_PATCH__Set : LV2_PATCH__Get));
    lv2_atom_forge_key(&forge, u.map(LV2_PATCH__property));
    lv2_atom_forge_urid(&forge, u.map(kIrPropertyUri));
    if (path) {
        lv2_atom_forge_key(&forge, u.map(LV2_PATCH__value));
        lv2_atom_forge_path(&forge, path->c_str(), static_cast<uint32_t>(path->size()));
    }
    lv2_atom_forge_pop(&forge, &frame);
    buffer.resize(lv2_atom_total_size(reinterpret_cast<const LV2_Atom*>(buffer.data())));
    return buffer;
}

void Lv2Plugin::sendPatchSet(const std::string& path)
{
    pending.push_back(patchMessage(&path));
}

void Lv2Plugin::sendPatchGet()
{
    pending.push_back(patchMessage(nullptr));
}

void Lv2Plugin::run(const float* in0, const float* in1, float* out0, float* out1, uint32_t frames)
{
    UridMap& u = Lv2World::get().urids;
    std::lock_guard<std::mutex> lock(runMutex);
    // The control sequence: this run's messages at frame 0.
    LV2_Atom_Forge forge;
    lv2_atom_forge_init(&forge, &u.mapFeature);
    lv2_atom_forge_set_buffer(&forge, controlBuffer, sizeof controlBuffer);
    LV2_Atom_Forge_Frame sequence;
    lv2_atom_forge_sequence_head(&forge, &sequence, 0);
    for (const auto& message : pending) {
        lv2_atom_forge_frame_time(&forge, 0);
        lv2_atom_forge_write(&forge, message.data(), static_cast<uint32_t>(message.size()));
    }
    lv2_atom_forge_pop(&forge, &sequence);
    pending.clear();
    // The notify port: empty, with its capacity.
    auto* notify = reinterpret_cast<LV2_Atom_Sequence*>(notifyBuffer);
    notify->atom.type = u.map(LV2_ATOM__Chunk);
    notify->atom.size = sizeof notifyBuffer - sizeof(LV2_Atom);

    lilv_instance_connect_port(instance, kPortInLeft, const_cast<float*>(in0));
    lilv_instance_connect_port(instance, kPortInRight, const_cast<float*>(in1));
    lilv_instance_connect_port(instance, kPortOutLeft, out0);
    lilv_instance_connect_port(instance, kPortOutRight, out1);
    audioCall(true);
    lilv_instance_run(instance, frames);
    audioCall(false);
    if (worker_)
        worker_->deliverResponses();

    const LV2_URID patchSet = u.map(LV2_PATCH__Set), value = u.map(LV2_PATCH__value);
    const LV2_URID changed = u.map(LV2_STATE__StateChanged);
    LV2_ATOM_SEQUENCE_FOREACH(notify, event)
    {
        const auto* obj = reinterpret_cast<const LV2_Atom_Object*>(&event->body);
        if (obj->body.otype == changed) {
            ++stateChanges;
        } else if (obj->body.otype == patchSet) {
            const LV2_Atom* path = nullptr;
            lv2_atom_object_get(obj, value, &path, 0);
            if (path && path->type == u.map(LV2_ATOM__Path))
                reported.emplace_back(static_cast<const char*>(LV2_ATOM_BODY_CONST(path)));
        }
    }
}

namespace {

const void* portValue(const char* symbol, void* userData, uint32_t* size, uint32_t* type)
{
    auto* controls = static_cast<float*>(userData);
    for (int32_t i = 0; i < kNumParams; ++i)
        if (std::strcmp(symbol, kParameterInfo[i].symbol) == 0) {
            *size = sizeof(float);
            *type = Lv2World::get().urids.map(LV2_ATOM__Float);
            return &controls[i];
        }
    *size = 0;
    *type = 0;
    return nullptr;
}

void setPortValue(const char* symbol, void* userData, const void* value, uint32_t size, uint32_t)
{
    auto* controls = static_cast<float*>(userData);
    for (int32_t i = 0; i < kNumParams; ++i)
        if (size == sizeof(float) && std::strcmp(symbol, kParameterInfo[i].symbol) == 0)
            std::memcpy(&controls[i], value, sizeof(float));
}

} // namespace

LilvState* Lv2Plugin::saveState(const std::string& saveDir)
{
    Lv2World& w = Lv2World::get();
    // lilv resolves its folders when the state is made: they must exist.
    if (!saveDir.empty())
        std::filesystem::create_directories(saveDir);
    const char* dir = saveDir.empty() ? nullptr : saveDir.c_str();
    return lilv_state_new_from_instance(w.plugin, instance, &w.urids.mapFeature, nullptr, dir, dir, dir, portValue,
                                        controls, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
}

void Lv2Plugin::restore(const LilvState* state, bool restoreWorker)
{
    LV2_Feature schedule{LV2_WORKER__schedule, worker_ ? &worker_->schedule : nullptr};
    const LV2_Feature* features[] = {restoreWorker && worker_ ? &schedule : nullptr, nullptr};
    // Port values are the host's; only their writes are kept apart from run.
    float restored[kNumParams];
    {
        std::lock_guard<std::mutex> lock(runMutex);
        std::memcpy(restored, controls, sizeof restored);
    }
    lilv_state_restore(state, instance, setPortValue, restored, 0, features);
    std::lock_guard<std::mutex> lock(runMutex);
    std::memcpy(controls, restored, sizeof restored);
}

// ---------------------------------------------------------------------------
// VST 2.4 reference

VstReference::VstReference(float rate)
{
    if (!plugin.valid())
        throw std::runtime_error("the VST 2.4 library gave no instance: " + testhost::Library::shared().error);
    // As a host starts it: the rate, then on.
    plugin.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    plugin.resume();
}

void VstReference::apply(const float (&values)[kNumParams], const std::string& irPath)
{
    ZorvanProgram record;
    initProgram(record, "test", values);
    storeField(record.irPath, kIrPathSize, irPath.c_str());
    const auto* bytes = reinterpret_cast<const uint8_t*>(&record);
    plugin.setChunk(testhost::Bytes(bytes, bytes + sizeof record), true);
}

void VstReference::setParameter(int32_t index, float value)
{
    plugin.set(index, value);
}

void VstReference::run(const float* in0, const float* in1, float* out0, float* out1, uint32_t frames)
{
    float* ins[2] = {const_cast<float*>(in0), const_cast<float*>(in1)};
    float* outs[2] = {out0, out1};
    plugin.process(ins, outs, static_cast<int32_t>(frames));
}

// ---------------------------------------------------------------------------
// Signals and files

Signal::Signal(size_t frames, uint32_t seed) : left(frames), right(frames)
{
    uint32_t state = seed * 2654435761u + 1;
    auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    };
    for (size_t i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i % 4410) / 4410.0;
        const double pluck = std::exp(-6.0 * t) * std::sin(2.0 * M_PI * 110.0 * static_cast<double>(i) / 44100.0);
        left[i] = static_cast<float>(0.4 * pluck) + 0.02f * noise();
        right[i] = static_cast<float>(0.25 * pluck) + 0.02f * noise();
    }
}

long firstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    if (a.size() != b.size())
        return 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
            return static_cast<long>(i);
    return -1;
}

TempDir::TempDir()
{
    char pattern[] = "/tmp/zorvan-lv2-XXXXXX";
    const char* made = mkdtemp(pattern);
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    path = made;
}

TempDir::~TempDir()
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
}

} // namespace lv2test
