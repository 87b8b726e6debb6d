// Pictures compiled into the module. The table is generated at build time from
// resources/*.png; each entry is named like its file name in capitals.
#pragma once

#include <cstddef>

namespace VSTGUI {

struct EmbeddedResource {
    const char* name;          // e.g. "BACKGROUND.PNG"
    const unsigned char* data; // the PNG file's bytes
    size_t size;               // bytes in data
};

// The resource whose name equals name ignoring ASCII case, or null.
const EmbeddedResource* findEmbeddedResource(const char* name);

// The bytes of the module's picture named name, ignoring case: the table above
// on Linux, the module's resources of type "PNG" on Windows
// (ResourcesWin32.cpp). False when there is none.
bool findPictureResource(const char* name, const unsigned char*& data, size_t& size);

// Windows: the module instance whose resources are searched, stored by
// DllMain; null means the executable.
extern void* gModuleInstance;

// Generated table (EmbeddedResources.cpp in the build directory).
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

} // namespace VSTGUI
