// The LV2 shell of the plug-in (DSP side): control ports in, patch messages
// about the impulse-response file in and out, the response loaded through the
// host's worker, and the file kept with the host's state. Everything else is
// the engine's. No window or drawing code: the panel is the UI library's.
//
// Threads (one line per entry; LV2's threading classes):
// - create, activate, deactivate, the destructor: instantiation class (no
//   other call on the instance meanwhile). activate and deactivate are the
//   engine's resume and suspend and may read the response file.
// - connectPort, run, workResponse: audio class. run never locks, allocates
//   or touches a file: parameter changes go to the engine wait-free, a
//   patch:Set becomes a worker job, notifications come from audio-owned
//   buffers.
// - work: the host's worker thread. It loads the file through the engine
//   (whose audio side adopts the new response at its next pass) under
//   loadMutex_, which run never takes.
// - save, restore: any non-audio thread, possibly while run goes on
//   (state:threadSafeRestore); they take loadMutex_. restore loads at once
//   when the host gives it no worker (it is then not concurrent with run),
//   or hands the load to the worker it was given.
#pragma once

#include "plugin/ZorvanEngine.h"
#include "plugin/lv2/Lv2Messages.h"
#include "plugin/lv2/Lv2Ports.h"

#include <lv2/atom/forge.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/worker/worker.h>

#include <atomic>
#include <mutex>
#include <string>

namespace zorvan::lv2 {

class ZorvanLv2 {
public:
    // Null when the rate is one the engine cannot run at or the host lacks urid:map.
    static ZorvanLv2* create(double sampleRate, const LV2_Feature* const* features);
    ~ZorvanLv2() = default;
    ZorvanLv2(const ZorvanLv2&) = delete;
    ZorvanLv2& operator=(const ZorvanLv2&) = delete;

    void connectPort(uint32_t port, void* data);
    void activate();
    void deactivate();
    void run(uint32_t frames);

    LV2_Worker_Status work(LV2_Worker_Respond_Function respond, LV2_Worker_Respond_Handle handle, uint32_t size,
                           const void* data);
    LV2_Worker_Status workResponse(uint32_t size, const void* data);

    LV2_State_Status save(LV2_State_Store_Function store, LV2_State_Handle handle, uint32_t flags,
                          const LV2_Feature* const* features);
    LV2_State_Status restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle, uint32_t flags,
                             const LV2_Feature* const* features);

    const ZorvanEngine& engine() const { return engine_; }

private:
    ZorvanLv2() = default;

    void readMessages();
    void writeNotifications();
    void applyControlPorts();
    // Non-audio side, loadMutex_ held: the setting becomes path (an engine
    // path) and the engine loads it; a path the engine's record cannot hold
    // leaves EXT. silent but stays the setting.
    void applySettingLocked(const std::string& path);
    // Schedules a worker job that loads path (non-empty), made in run or restore.
    bool scheduleLoad(LV2_Worker_Schedule* schedule, uint32_t kind, const char* path, uint32_t length);

    ZorvanEngine engine_;                           // the amplifier, the cabinets and the parameters
    Lv2Uris uris_;                                  // URIDs of the messages and the state key
    LV2_Worker_Schedule* schedule_ = nullptr;       // run's worker; null: the host has none
    LV2_State_Map_Path* instanceMapPath_ = nullptr; // instantiate-time path mapping, if any
    LV2_Atom_Forge forge_{};                        // writes the notify port

    // Ports, as connected.
    const float* audioIn_[2] = {};
    float* audioOut_[2] = {};
    const float* controls_[kNumParams] = {};
    const LV2_Atom_Sequence* controlPort_ = nullptr;
    LV2_Atom_Sequence* notifyPort_ = nullptr;

    // Audio thread.
    uint32_t appliedBits_[kNumParams] = {}; // bit patterns of the port values last applied
    bool applied_[kNumParams] = {};         // whether appliedBits_ holds anything yet
    char reportedPath_[kMaxPathBytes] = ""; // the setting as last reported (LV2 text)
    bool reportPending_ = false;            // send reportedPath_ at the next run
    bool changePending_ = false;            // send state:StateChanged at the next run
    bool reportRequested_ = false;          // a patch:Get arrived in this run

    // Non-audio side.
    std::mutex loadMutex_;                // work, save and restore; never run
    std::string setting_ = kEmptyIrPath;  // the file the instance is set to (engine path)
    std::atomic<uint32_t> generation_{0}; // bumped by restore: older jobs are dropped
};

} // namespace zorvan::lv2
