#include "toolkit/Resources.h"

#include <strings.h>

namespace VSTGUI {

const EmbeddedResource* findEmbeddedResource(const char* name)
{
    if (!name)
        return nullptr;
    for (size_t i = 0; i < kEmbeddedResourceCount; ++i)
        if (strcasecmp(kEmbeddedResources[i].name, name) == 0)
            return &kEmbeddedResources[i];
    return nullptr;
}

} // namespace VSTGUI
