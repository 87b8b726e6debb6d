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

bool findPictureResource(const char* name, const unsigned char*& data, size_t& size)
{
    const EmbeddedResource* res = findEmbeddedResource(name);
    if (!res)
        return false;
    data = res->data;
    size = res->size;
    return true;
}

} // namespace VSTGUI
