// One program record as it is saved in the host's project: 320 bytes, little-endian,
// no header. Four records in index order form the 1280-byte bank chunk.
#pragma once

#include "plugin/Parameters.h"

#include <cstddef>
#include <cstdint>

constexpr size_t kProgramNameSize = 24;  // bytes of the name field, NUL included
constexpr size_t kIrPathSize = 260;      // bytes of the path field, NUL included
constexpr char kEmptyIrPath[] = "empty"; // path text meaning "no external response"

struct ZorvanProgram {
    char name[kProgramNameSize];   // NUL-terminated within the field, when written by us
    float values[kNumParams];      // normalised parameter values
    char irPath[kIrPathSize];      // external impulse-response file, or "empty"
};

static_assert(sizeof(ZorvanProgram) == 320, "a program record is 320 bytes");
static_assert(offsetof(ZorvanProgram, values) == 24, "values follow the name");
static_assert(offsetof(ZorvanProgram, irPath) == 60, "the path follows the values");
static_assert(sizeof(float) == 4, "values are IEEE single precision");

constexpr int32_t kPresetChunkSize = sizeof(ZorvanProgram);
constexpr int32_t kBankChunkSize = sizeof(ZorvanProgram) * kNumPrograms;

// A fresh record: the name, the path "empty", the defaults of its row, and zero
// bytes after each string's NUL so that two fresh instances save identical chunks.
void initProgram(ZorvanProgram& program, const char* name, const float (&values)[kNumParams]);

// Copies a string field that may lack its NUL (foreign chunks) into out, reading
// at most fieldSize bytes and writing at most outSize bytes including the NUL.
void copyField(char* out, size_t outSize, const char* field, size_t fieldSize);

// Writes text into a fixed field, cut to fieldSize - 1 characters, NUL-padded.
void storeField(char* field, size_t fieldSize, const char* text);
