// The panel's edits on their way to the host: gesture begins and ends and
// new values, in the order the panel made them. The panel writes on the
// main thread; process or flush reads them out (one of the two at a time, as
// the interface guarantees) and hands them to the host as events.
//
// Threads: push from one producer (the main thread); peek and drop from one
// consumer at a time (the audio thread, or the main thread in flush while
// inactive). Wait-free and allocation-free on both sides.
#pragma once

#include <atomic>
#include <cstdint>

class ClapEditQueue {
public:
    enum class Kind : uint16_t { Begin, Value, End };
    struct Edit {
        Kind kind;      // what the panel did
        uint32_t param; // the parameter's id
        double value;   // the plain value (Value only)
    };

    // False when the host has not collected the last kCapacity edits; the
    // edit is then dropped (the engine already has its value).
    bool push(const Edit& edit);
    // The oldest edit not yet handed over; false when there is none.
    bool peek(Edit& edit) const;
    // Forgets the edit peek answered.
    void drop();

private:
    static constexpr uint32_t kCapacity = 512; // a power of two

    Edit slots[kCapacity];
    std::atomic<uint32_t> written{0}; // edits pushed so far (wraps)
    std::atomic<uint32_t> read{0};    // edits dropped so far (wraps)
};
