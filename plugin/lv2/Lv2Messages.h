// The patch messages both LV2 libraries exchange about the impulse-response
// file: the URIDs they need, a patch:Set written with an atom forge, and the
// path read back out of one. The engine's "empty" (no external response)
// travels as an empty path.
#pragma once

#include <lv2/atom/atom.h>
#include <lv2/atom/forge.h>
#include <lv2/urid/urid.h>

#include <cstdint>

namespace zorvan::lv2 {

struct Lv2Uris {
    LV2_URID atomBlank = 0;         // anonymous object
    LV2_URID atomObject = 0;        // object
    LV2_URID atomPath = 0;          // file path
    LV2_URID atomUrid = 0;          // URID value
    LV2_URID atomEventTransfer = 0; // UI <-> plug-in atom port protocol
    LV2_URID patchGet = 0;          // "tell me the value"
    LV2_URID patchSet = 0;          // "the value is"
    LV2_URID patchProperty = 0;     // which property
    LV2_URID patchValue = 0;        // its value
    LV2_URID stateChanged = 0;      // our state differs from what the host saved
    LV2_URID irProperty = 0;        // the impulse-response file

    // False when the host's map is missing or answers 0.
    bool map(const LV2_URID_Map* urid);
};

// patch:Set of the impulse-response property to path (an engine path:
// "empty" goes out as the empty path). Returns false when it did not fit.
bool writeIrPathSet(LV2_Atom_Forge& forge, const Lv2Uris& uris, const char* path);
// patch:Get of the impulse-response property.
bool writeIrPathGet(LV2_Atom_Forge& forge, const Lv2Uris& uris);

// The atom:Path of a patch:Set of the impulse-response property, or null for
// any other message.
const LV2_Atom* irPathOfSet(const Lv2Uris& uris, const LV2_Atom* message);
// Whether message is a patch:Get of the impulse-response property (or of
// every property).
bool isIrPathGet(const Lv2Uris& uris, const LV2_Atom* message);

// Copies the text of an atom:Path into out as an engine path (the empty path
// becomes "empty"). False, out untouched, for text that is not NUL-terminated
// within the atom or does not fit outSize.
bool copyEnginePath(const LV2_Atom* path, char* out, uint32_t outSize);
// The LV2 text of an engine path.
const char* lv2PathText(const char* enginePath);

} // namespace zorvan::lv2
