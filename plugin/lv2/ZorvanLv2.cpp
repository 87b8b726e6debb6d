#include "plugin/lv2/ZorvanLv2.h"

#include <lv2/atom/util.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>

namespace zorvan::lv2 {

namespace {

// Worker jobs: a header, then the path (LV2 text) with its NUL.
enum JobKind : uint32_t {
    kJobSet = 1,     // a patch:Set from the control port
    kJobRestore = 2, // the file of a restored state
};
struct JobHeader {
    uint32_t kind;       // JobKind
    uint32_t generation; // generation_ when the job was made
};
// Worker responses: the kind of the job, then the setting (LV2 text) with its NUL.
struct ResponseHeader {
    uint32_t kind;
};

template <typename T>
T* findFeature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (features[i]->URI && std::strcmp(features[i]->URI, uri) == 0)
            return static_cast<T*>(features[i]->data);
    return nullptr;
}

// The text after a header in a worker message: NUL-terminated within size
// and shorter than kMaxPathBytes, or null.
const char* messageText(const void* data, uint32_t size, uint32_t headerSize)
{
    if (!data || size <= headerSize)
        return nullptr;
    const char* text = static_cast<const char*>(data) + headerSize;
    const uint32_t room = size - headerSize;
    const size_t length = strnlen(text, room);
    return length < room && length < kMaxPathBytes ? text : nullptr;
}

void freeHostPath(LV2_State_Free_Path* freePath, char* path)
{
    if (!path)
        return;
    if (freePath)
        freePath->free_path(freePath->handle, path);
    else
        std::free(path);
}

// Copies the response file into the host's state folder. True when dest
// holds the file afterwards (also when it already was that file).
bool copyInto(const std::string& source, const char* dest)
{
    namespace fs = std::filesystem;
    std::error_code error;
    if (fs::equivalent(source, dest, error))
        return true;
    error.clear();
    fs::copy_file(source, dest, fs::copy_options::overwrite_existing, error);
    return !error;
}

std::string baseName(const std::string& path)
{
    const size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.empty() || name == "." || name == ".." ? std::string("response.wav") : name;
}

} // namespace

ZorvanLv2* ZorvanLv2::create(double sampleRate, const LV2_Feature* const* features)
{
    LV2_URID_Map* map = findFeature<LV2_URID_Map>(features, LV2_URID__map);
    if (!map || !std::isfinite(sampleRate))
        return nullptr;
    ZorvanLv2* self = nullptr;
    try {
        self = new ZorvanLv2;
    } catch (...) {
        return nullptr;
    }
    if (!self->uris_.map(map) || !self->engine_.setSampleRate(static_cast<float>(sampleRate))) {
        delete self;
        return nullptr;
    }
    self->schedule_ = findFeature<LV2_Worker_Schedule>(features, LV2_WORKER__schedule);
    self->instanceMapPath_ = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
    lv2_atom_forge_init(&self->forge_, map);
    return self;
}

void ZorvanLv2::connectPort(uint32_t port, void* data)
{
    switch (port) {
    case kPortInLeft:
    case kPortInRight:
        audioIn_[port - kPortInLeft] = static_cast<const float*>(data);
        break;
    case kPortOutLeft:
    case kPortOutRight:
        audioOut_[port - kPortOutLeft] = static_cast<float*>(data);
        break;
    case kPortControl:
        controlPort_ = static_cast<const LV2_Atom_Sequence*>(data);
        break;
    case kPortNotify:
        notifyPort_ = static_cast<LV2_Atom_Sequence*>(data);
        break;
    default:
        if (portParameter(port) >= 0)
            controls_[portParameter(port)] = static_cast<const float*>(data);
        break;
    }
}

void ZorvanLv2::activate()
{
    engine_.resume();
}

void ZorvanLv2::deactivate()
{
    engine_.suspend();
}

// ---------------------------------------------------------------------------
// Audio thread

void ZorvanLv2::run(uint32_t frames)
{
    readMessages();
    applyControlPorts();
    for (uint32_t done = 0; done < frames;) {
        // The engine counts frames in 32-bit signed integers.
        const uint32_t n = frames - done < 0x40000000u ? frames - done : 0x40000000u;
        engine_.process(audioIn_[0] ? audioIn_[0] + done : nullptr, audioIn_[1] ? audioIn_[1] + done : nullptr,
                        audioOut_[0] ? audioOut_[0] + done : nullptr, audioOut_[1] ? audioOut_[1] + done : nullptr,
                        static_cast<int32_t>(n));
        done += n;
    }
    writeNotifications();
}

void ZorvanLv2::readMessages()
{
    if (!controlPort_)
        return;
    LV2_ATOM_SEQUENCE_FOREACH(controlPort_, event)
    {
        const LV2_Atom* message = &event->body;
        if (isIrPathGet(uris_, message)) {
            reportRequested_ = true;
        } else if (const LV2_Atom* path = irPathOfSet(uris_, message)) {
            // Without a worker the file is never read here; restore still loads.
            if (!schedule_ || path->size == 0 || path->size > kMaxPathBytes)
                continue;
            const char* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(path));
            const size_t length = strnlen(text, path->size);
            if (length < path->size)
                scheduleLoad(schedule_, kJobSet, text, static_cast<uint32_t>(length));
        }
    }
}

void ZorvanLv2::applyControlPorts()
{
    for (int32_t i = 0; i < kNumParams; ++i) {
        if (!controls_[i])
            continue;
        const float port = *controls_[i];
        uint32_t bits;
        std::memcpy(&bits, &port, sizeof bits);
        if (applied_[i] && bits == appliedBits_[i])
            continue;
        applied_[i] = true;
        appliedBits_[i] = bits;
        engine_.setParameter(i, portToValue(i, port));
    }
}

void ZorvanLv2::writeNotifications()
{
    if (!notifyPort_)
        return;
    const uint32_t capacity = notifyPort_->atom.size;
    lv2_atom_forge_set_buffer(&forge_, reinterpret_cast<uint8_t*>(notifyPort_), capacity);
    LV2_Atom_Forge_Frame sequence;
    if (!lv2_atom_forge_sequence_head(&forge_, &sequence, 0))
        return;
    if (reportPending_ || reportRequested_) {
        lv2_atom_forge_frame_time(&forge_, 0);
        if (writeIrPathSet(forge_, uris_, reportedPath_))
            reportPending_ = reportRequested_ = false;
    }
    if (changePending_) {
        lv2_atom_forge_frame_time(&forge_, 0);
        LV2_Atom_Forge_Frame frame;
        if (lv2_atom_forge_object(&forge_, &frame, 0, uris_.stateChanged)) {
            lv2_atom_forge_pop(&forge_, &frame);
            changePending_ = false;
        }
    }
    lv2_atom_forge_pop(&forge_, &sequence);
}

bool ZorvanLv2::scheduleLoad(LV2_Worker_Schedule* schedule, uint32_t kind, const char* path, uint32_t length)
{
    if (length >= kMaxPathBytes)
        return false;
    char job[sizeof(JobHeader) + kMaxPathBytes];
    const JobHeader header{kind, generation_.load(std::memory_order_acquire)};
    std::memcpy(job, &header, sizeof header);
    std::memcpy(job + sizeof header, path, length);
    job[sizeof header + length] = '\0';
    return schedule->schedule_work(schedule->handle, static_cast<uint32_t>(sizeof header + length + 1), job) ==
        LV2_WORKER_SUCCESS;
}

LV2_Worker_Status ZorvanLv2::workResponse(uint32_t size, const void* data)
{
    const char* text = messageText(data, size, sizeof(ResponseHeader));
    if (!text)
        return LV2_WORKER_ERR_UNKNOWN;
    ResponseHeader header;
    std::memcpy(&header, data, sizeof header);
    std::memcpy(reportedPath_, text, std::strlen(text) + 1);
    reportPending_ = true;
    // A file chosen on the control port changes what the host must save.
    if (header.kind == kJobSet)
        changePending_ = true;
    return LV2_WORKER_SUCCESS;
}

// ---------------------------------------------------------------------------
// Worker thread

LV2_Worker_Status ZorvanLv2::work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                                  const void* data)
{
    const char* text = messageText(data, size, sizeof(JobHeader));
    if (!text)
        return LV2_WORKER_ERR_UNKNOWN;
    JobHeader header;
    std::memcpy(&header, data, sizeof header);

    char response[sizeof(ResponseHeader) + kMaxPathBytes];
    uint32_t responseSize;
    try {
        std::lock_guard<std::mutex> lock(loadMutex_);
        // A restore since the job was made decides the file.
        if (header.generation != generation_.load(std::memory_order_acquire))
            return LV2_WORKER_SUCCESS;
        applySettingLocked(text[0] ? std::string(text) : std::string(kEmptyIrPath));
        const char* reported = lv2PathText(setting_.c_str());
        const size_t length = std::strlen(reported);
        if (length >= kMaxPathBytes)
            return LV2_WORKER_ERR_UNKNOWN;
        const ResponseHeader out{header.kind};
        std::memcpy(response, &out, sizeof out);
        std::memcpy(response + sizeof out, reported, length + 1);
        responseSize = static_cast<uint32_t>(sizeof out + length + 1);
    } catch (...) {
        return LV2_WORKER_ERR_UNKNOWN;
    }
    if (respond)
        respond(handle, responseSize, response);
    return LV2_WORKER_SUCCESS;
}

void ZorvanLv2::applySettingLocked(const std::string& path)
{
    setting_ = path;
    // The program record holds 260 bytes; a longer path plays as a file that
    // cannot be read: EXT. is silent.
    engine_.loadIrPath(path.size() < kIrPathSize ? path.c_str() : kEmptyIrPath);
}

// ---------------------------------------------------------------------------
// State

LV2_State_Status ZorvanLv2::save(LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t,
                                 const LV2_Feature* const* features)
{
    try {
        std::string path;
        {
            std::lock_guard<std::mutex> lock(loadMutex_);
            path = setting_;
        }
        if (path == kEmptyIrPath)
            return LV2_STATE_SUCCESS; // nothing to keep: restore reads a missing file as none

        LV2_State_Map_Path* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
        if (!mapPath)
            mapPath = instanceMapPath_;
        auto* makePath = findFeature<LV2_State_Make_Path>(features, LV2_STATE__makePath);
        auto* freePath = findFeature<LV2_State_Free_Path>(features, LV2_STATE__freePath);

        // A copy inside the host's state folder travels with the session, so
        // a moved or copied session keeps its cabinet.
        if (makePath) {
            char* copy = makePath->path(makePath->handle, baseName(path).c_str());
            // A host that has no folder yet may answer a relative path: not a place to copy to.
            if (copy && copy[0] == '/' && copyInto(path, copy))
                path = copy;
            freeHostPath(freePath, copy);
        }
        std::string stored = path;
        if (mapPath) {
            char* abstract = mapPath->abstract_path(mapPath->handle, path.c_str());
            if (abstract)
                stored = abstract;
            freeHostPath(freePath, abstract);
        }
        return store(handle, uris_.irProperty, stored.c_str(), stored.size() + 1, uris_.atomPath,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

LV2_State_Status ZorvanLv2::restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t,
                                    const LV2_Feature* const* features)
{
    try {
        LV2_State_Map_Path* mapPath = findFeature<LV2_State_Map_Path>(features, LV2_STATE__mapPath);
        if (!mapPath)
            mapPath = instanceMapPath_;
        auto* freePath = findFeature<LV2_State_Free_Path>(features, LV2_STATE__freePath);
        auto* schedule = findFeature<LV2_Worker_Schedule>(features, LV2_WORKER__schedule);

        // A state without the file (or with an unreadable entry) has none.
        std::string path = kEmptyIrPath;
        size_t size = 0;
        uint32_t type = 0, flags = 0;
        const void* value = retrieve(handle, uris_.irProperty, &size, &type, &flags);
        const char* text = static_cast<const char*>(value);
        if (text && type == uris_.atomPath && size > 1 && strnlen(text, size) < size) {
            char* absolute = mapPath ? mapPath->absolute_path(mapPath->handle, text) : nullptr;
            path = absolute ? absolute : text;
            freeHostPath(freePath, absolute);
        }
        if (path.size() >= kMaxPathBytes)
            path = kEmptyIrPath;

        if (schedule) {
            // threadSafeRestore: the worker given to restore loads; the
            // setting is what save keeps from now on.
            {
                std::lock_guard<std::mutex> lock(loadMutex_);
                generation_.fetch_add(1, std::memory_order_acq_rel);
                setting_ = path;
            }
            const char* lv2Text = lv2PathText(path.c_str());
            if (scheduleLoad(schedule, kJobRestore, lv2Text, static_cast<uint32_t>(std::strlen(lv2Text))))
                return LV2_STATE_SUCCESS;
            // The worker refused the job: load here; the engine hands the
            // response to the audio thread safely, only the report is lost.
            std::lock_guard<std::mutex> lock(loadMutex_);
            applySettingLocked(path);
            return LV2_STATE_SUCCESS;
        }

        // No worker given: the host runs nothing else on the instance now,
        // so the report buffer of the audio thread may be written here.
        std::lock_guard<std::mutex> lock(loadMutex_);
        generation_.fetch_add(1, std::memory_order_acq_rel);
        applySettingLocked(path);
        const char* reported = lv2PathText(setting_.c_str());
        std::memcpy(reportedPath_, reported, std::strlen(reported) + 1);
        reportPending_ = true;
        return LV2_STATE_SUCCESS;
    } catch (...) {
        return LV2_STATE_ERR_UNKNOWN;
    }
}

} // namespace zorvan::lv2
