// The plain types the editor and its host exchange: the window rectangle and a
// key event. Their layout is the one the VST 2.4 interface passes through its
// dispatcher, so that shell hands them over as they are; every other shell
// converts.
#pragma once

#include <cstdint>

// Window rectangle in pixels.
struct ERect {
    int16_t top;
    int16_t left;
    int16_t bottom;
    int16_t right;
};

// A key press or release.
struct VstKeyCode {
    int32_t character;      // ASCII character
    unsigned char virt;     // VstVirtualKey
    unsigned char modifier; // VstModifierKey bits
};

enum VstModifierKey {
    MODIFIER_SHIFT = 1 << 0,
    MODIFIER_ALTERNATE = 1 << 1,
    MODIFIER_COMMAND = 1 << 2,
    MODIFIER_CONTROL = 1 << 3,
};
