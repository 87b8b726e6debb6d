// The host's side of the callback: what a test host answers, and a log of
// every call the plug-in made, for tests of automation and edit gestures.
#pragma once

#include "plugin/vst/aeffect.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace testhost {

struct HostCall {
    int32_t opcode;
    int32_t index;
    intptr_t value;
    float opt;
};

// Callbacks of every recording instance land here; tests read them after the fact.
class CallLog {
public:
    static CallLog& instance()
    {
        static CallLog log;
        return log;
    }
    void record(const HostCall& call)
    {
        std::lock_guard<std::mutex> lock(mutex);
        calls.push_back(call);
    }
    std::vector<HostCall> take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        std::vector<HostCall> out;
        out.swap(calls);
        return out;
    }
    intptr_t versionAnswer = 2400; // what audioMasterVersion answers

private:
    std::mutex mutex;
    std::vector<HostCall> calls;
};

// Records every call but the version request; yes to automation and gestures.
inline intptr_t recordingCallback(AEffect* /*effect*/, int32_t opcode, int32_t index, intptr_t value, void* /*ptr*/,
                                  float opt)
{
    CallLog& log = CallLog::instance();
    if (opcode == audioMasterVersion)
        return log.versionAnswer;
    log.record({opcode, index, value, opt});
    if (opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit || opcode == audioMasterAutomate)
        return 1;
    return 0;
}

// Answers what a plain host answers: its version, and yes to automation gestures.
inline intptr_t plainCallback(AEffect*, int32_t opcode, int32_t, intptr_t, void*, float)
{
    switch (opcode) {
    case audioMasterVersion:
        return 2400;
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        return 1;
    default:
        return 0;
    }
}

} // namespace testhost
