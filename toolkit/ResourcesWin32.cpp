// The panel pictures on Windows: resources of the module of type "PNG", named
// like their files in capitals. FindResource compares names ignoring case.
#include "toolkit/Resources.h"

#include <windows.h>

namespace VSTGUI {

void* gModuleInstance = nullptr;

const EmbeddedResource* findEmbeddedResource(const char*)
{
    return nullptr; // nothing is compiled in on Windows
}

bool findPictureResource(const char* name, const unsigned char*& data, size_t& size)
{
    if (!name || !*name)
        return false;
    HMODULE module = static_cast<HMODULE>(gModuleInstance);
    HRSRC info = FindResourceA(module, name, "PNG");
    if (!info)
        return false;
    HGLOBAL handle = LoadResource(module, info);
    const void* bytes = handle ? LockResource(handle) : nullptr;
    const DWORD length = SizeofResource(module, info);
    if (!bytes || length == 0)
        return false;
    data = static_cast<const unsigned char*>(bytes);
    size = length;
    return true;
}

} // namespace VSTGUI
