// The VST 2.4 binary interface as a host sees it, written from the interface's
// public opcode tables and record layout (64-bit and 32-bit builds alike).
#pragma once

#include "plugin/EditorTypes.h"

#include <cstdint>

#define ZORVAN_FOURCC(a, b, c, d) \
    ((int32_t)((((uint32_t)(a)) << 24) | (((uint32_t)(b)) << 16) | (((uint32_t)(c)) << 8) | ((uint32_t)(d))))

constexpr int32_t kEffectMagic = ZORVAN_FOURCC('V', 's', 't', 'P');
constexpr int32_t kVstVersion = 2400;

struct AEffect;

extern "C" {
typedef intptr_t (*audioMasterCallback)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                        void* ptr, float opt);
typedef intptr_t (*AEffectDispatcherProc)(AEffect* effect, int32_t opcode, int32_t index, intptr_t value,
                                          void* ptr, float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, int32_t sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs,
                                         int32_t sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, int32_t index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, int32_t index);
}

// Field order and sizes are the interface's: hosts read this record directly.
struct AEffect {
    int32_t magic;                           // kEffectMagic
    AEffectDispatcherProc dispatcher;        // host requests
    AEffectProcessProc process;              // deprecated accumulating entry
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    int32_t numPrograms;
    int32_t numParams;
    int32_t numInputs;
    int32_t numOutputs;
    int32_t flags;                           // VstAEffectFlags
    intptr_t resvd1;                         // reserved for the host, zero
    intptr_t resvd2;                         // reserved for the host, zero
    int32_t initialDelay;                    // latency in samples
    int32_t realQualities;                   // unused
    int32_t offQualities;                    // unused
    float ioRatio;                           // unused
    void* object;                            // the AudioEffect instance
    void* user;                              // free for the host
    int32_t uniqueID;
    int32_t version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];                         // reserved, zero
};

#if INTPTR_MAX == INT64_MAX
static_assert(sizeof(AEffect) == 192, "AEffect must keep the interface's 64-bit layout");
static_assert(__builtin_offsetof(AEffect, object) == 96, "AEffect layout");
static_assert(__builtin_offsetof(AEffect, uniqueID) == 112, "AEffect layout");
static_assert(__builtin_offsetof(AEffect, processDoubleReplacing) == 128, "AEffect layout");
#endif

enum VstAEffectFlags {
    effFlagsHasEditor = 1 << 0,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Host requests (dispatcher opcodes), 2.4 numbering.
enum AEffectOpcodes {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,                  // deprecated
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,               // deprecated
    effEditMouse,              // deprecated
    effEditKey,                // deprecated
    effEditIdle,
    effEditTop,                // deprecated
    effEditSleep,              // deprecated
    effIdentify,               // deprecated, still answered
    effGetChunk,
    effSetChunk,
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories, // deprecated
    effGetProgramNameIndexed,
    effCopyProgram,            // deprecated
    effConnectInput,           // deprecated
    effConnectOutput,          // deprecated
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,     // deprecated
    effGetDestinationBuffer,   // deprecated
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate, // deprecated
    effSetBypass,
    effGetEffectName,
    effGetErrorText,           // deprecated
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,                   // deprecated
    effGetIcon,                // deprecated
    effSetViewPosition,        // deprecated
    effGetParameterProperties,
    effKeysRequired,           // deprecated
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,
};

// Plug-in requests to the host (callback opcodes), 2.4 numbering.
enum AudioMasterOpcodes {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4, // deprecated
    audioMasterWantMidi = 6,     // deprecated
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterIOChanged = 13,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
};

// String limits of the interface, in characters without the terminating NUL.
enum VstStringConstants {
    kVstMaxProgNameLen = 24,
    kVstMaxParamStrLen = 8,
    kVstMaxVendorStrLen = 64,
    kVstMaxProductStrLen = 64,
    kVstMaxEffectNameLen = 32,
};

enum VstPlugCategory {
    kPlugCategUnknown = 0,
    kPlugCategEffect,
    kPlugCategSynth,
};

// ERect (effEditGetRect) and VstKeyCode (effEditKeyDown / effEditKeyUp) are
// the editor's own types, passed through as they are.
static_assert(sizeof(ERect) == 8, "ERect is four 16-bit values");
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode is an int32 and two bytes, padded");

// Standard preset and bank files (.fxp / .fxb), opaque-chunk form. All fields big-endian.
constexpr int32_t cMagic = ZORVAN_FOURCC('C', 'c', 'n', 'K');
constexpr int32_t chunkPresetMagic = ZORVAN_FOURCC('F', 'P', 'C', 'h');
constexpr int32_t chunkBankMagic = ZORVAN_FOURCC('F', 'B', 'C', 'h');
