#include "plugin/lv2/Lv2Messages.h"

#include "plugin/ZorvanProgram.h"
#include "plugin/lv2/Lv2Ports.h"

#include <lv2/atom/util.h>
#include <lv2/patch/patch.h>
#include <lv2/state/state.h>

#include <cstring>

namespace zorvan::lv2 {

bool Lv2Uris::map(const LV2_URID_Map* urid)
{
    if (!urid || !urid->map)
        return false;
    auto m = [urid](const char* uri) { return urid->map(urid->handle, uri); };
    atomBlank = m(LV2_ATOM__Blank);
    atomObject = m(LV2_ATOM__Object);
    atomPath = m(LV2_ATOM__Path);
    atomUrid = m(LV2_ATOM__URID);
    atomEventTransfer = m(LV2_ATOM__eventTransfer);
    patchGet = m(LV2_PATCH__Get);
    patchSet = m(LV2_PATCH__Set);
    patchProperty = m(LV2_PATCH__property);
    patchValue = m(LV2_PATCH__value);
    stateChanged = m(LV2_STATE__StateChanged);
    irProperty = m(kIrPropertyUri);
    return atomBlank && atomObject && atomPath && atomUrid && atomEventTransfer && patchGet && patchSet &&
        patchProperty && patchValue && stateChanged && irProperty;
}

const char* lv2PathText(const char* enginePath)
{
    return !enginePath || std::strcmp(enginePath, kEmptyIrPath) == 0 ? "" : enginePath;
}

bool writeIrPathSet(LV2_Atom_Forge& forge, const Lv2Uris& uris, const char* path)
{
    const char* text = lv2PathText(path);
    LV2_Atom_Forge_Frame frame;
    if (!lv2_atom_forge_object(&forge, &frame, 0, uris.patchSet))
        return false;
    lv2_atom_forge_key(&forge, uris.patchProperty);
    lv2_atom_forge_urid(&forge, uris.irProperty);
    lv2_atom_forge_key(&forge, uris.patchValue);
    const bool written = lv2_atom_forge_path(&forge, text, static_cast<uint32_t>(std::strlen(text))) != 0;
    lv2_atom_forge_pop(&forge, &frame);
    return written;
}

bool writeIrPathGet(LV2_Atom_Forge& forge, const Lv2Uris& uris)
{
    LV2_Atom_Forge_Frame frame;
    if (!lv2_atom_forge_object(&forge, &frame, 0, uris.patchGet))
        return false;
    lv2_atom_forge_key(&forge, uris.patchProperty);
    const bool written = lv2_atom_forge_urid(&forge, uris.irProperty) != 0;
    lv2_atom_forge_pop(&forge, &frame);
    return written;
}

namespace {

const LV2_Atom_Object* asObject(const Lv2Uris& uris, const LV2_Atom* message)
{
    if (!message || (message->type != uris.atomObject && message->type != uris.atomBlank) ||
        message->size < sizeof(LV2_Atom_Object_Body))
        return nullptr;
    return reinterpret_cast<const LV2_Atom_Object*>(message);
}

// The patch:property of obj: its URID, 0 when absent, or -1 when malformed.
int64_t propertyOf(const Lv2Uris& uris, const LV2_Atom_Object* obj)
{
    const LV2_Atom* property = nullptr;
    lv2_atom_object_get(obj, uris.patchProperty, &property, 0);
    if (!property)
        return 0;
    if (property->type != uris.atomUrid || property->size < sizeof(LV2_URID))
        return -1;
    return reinterpret_cast<const LV2_Atom_URID*>(property)->body;
}

} // namespace

const LV2_Atom* irPathOfSet(const Lv2Uris& uris, const LV2_Atom* message)
{
    const LV2_Atom_Object* obj = asObject(uris, message);
    if (!obj || obj->body.otype != uris.patchSet || propertyOf(uris, obj) != uris.irProperty)
        return nullptr;
    const LV2_Atom* value = nullptr;
    lv2_atom_object_get(obj, uris.patchValue, &value, 0);
    if (!value || value->type != uris.atomPath)
        return nullptr;
    return value;
}

bool isIrPathGet(const Lv2Uris& uris, const LV2_Atom* message)
{
    const LV2_Atom_Object* obj = asObject(uris, message);
    if (!obj || obj->body.otype != uris.patchGet)
        return false;
    const int64_t property = propertyOf(uris, obj);
    return property == 0 || property == uris.irProperty;
}

bool copyEnginePath(const LV2_Atom* path, char* out, uint32_t outSize)
{
    if (!path || !out || outSize == 0)
        return false;
    const char* text = static_cast<const char*>(LV2_ATOM_BODY_CONST(path));
    const size_t length = path->size ? strnlen(text, path->size) : 0;
    if (path->size && length == path->size)
        return false; // no NUL inside the atom
    const char* engineText = length == 0 ? kEmptyIrPath : text;
    const size_t engineLength = length == 0 ? sizeof(kEmptyIrPath) - 1 : length;
    if (engineLength + 1 > outSize)
        return false;
    std::memcpy(out, engineText, engineLength);
    out[engineLength] = '\0';
    return true;
}

} // namespace zorvan::lv2
