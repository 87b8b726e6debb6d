// Pictures compiled into the module. The table is generated at build time from
// resources/*.png; each entry is named like its file name in capitals.
#pragma once

#include <cstddef>

namespace VSTGUI {

struct EmbeddedResource {
    const char* name;           // e.g. "BACKGROUND.PNG"
    const unsigned char* data;  // the PNG file's bytes
    size_t size;                // bytes in data
};

// The resource whose name equals name ignoring ASCII case, or null.
const EmbeddedResource* findEmbeddedResource(const char* name);

// Generated table (EmbeddedResources.cpp in the build directory).
extern const EmbeddedResource kEmbeddedResources[];
extern const size_t kEmbeddedResourceCount;

} // namespace VSTGUI
