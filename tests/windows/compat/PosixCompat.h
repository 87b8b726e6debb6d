// The few POSIX calls the shared test sources make that the Windows C runtime
// lacks; force-included into the Windows test builds.
#pragma once

#ifdef __cplusplus
#include <cstdlib>
#include <cstring>
#include <direct.h>
#include <io.h>

// POSIX mkdir takes a mode, which Windows folders do not have.
inline int mkdir(const char* path, int /*mode*/)
{
    return _mkdir(path);
}

// A new private folder from a name ending in XXXXXX, as on POSIX.
inline char* mkdtemp(char* pattern)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        char candidate[1024];
        std::strncpy(candidate, pattern, sizeof candidate - 1);
        candidate[sizeof candidate - 1] = '\0';
        if (_mktemp_s(candidate, std::strlen(candidate) + 1) != 0)
            return nullptr;
        if (_mkdir(candidate) == 0) {
            std::strcpy(pattern, candidate);
            return pattern;
        }
    }
    return nullptr;
}
#endif
