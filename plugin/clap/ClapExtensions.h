// The CLAP interface as this shell uses it. Everything comes from the CLAP
// 1.1 headers that Debian's dpf-source package installs (an include
// directory of the build, not a copy), except the two extensions that set
// leaves out: tail and posix-fd-support, declared here from their published
// definitions (plain C structs of function pointers, ABI-stable since 1.0).
#pragma once

#include "clap/entry.h"
#include "clap/ext/audio-ports.h"
#include "clap/ext/gui.h"
#include "clap/ext/latency.h"
#include "clap/ext/params.h"
#include "clap/ext/state.h"
#include "clap/ext/thread-check.h"
#include "clap/ext/timer-support.h"
#include "clap/plugin-factory.h"

extern "C" {

static constexpr char CLAP_EXT_TAIL[] = "clap.tail";

typedef struct clap_plugin_tail {
    // Samples the output may go on sounding after the input fell silent.
    // [main-thread, audio-thread]
    uint32_t(CLAP_ABI* get)(const clap_plugin_t* plugin);
} clap_plugin_tail_t;

static constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";

enum {
    CLAP_POSIX_FD_READ = 1 << 0,
    CLAP_POSIX_FD_WRITE = 1 << 1,
    CLAP_POSIX_FD_ERROR = 1 << 2,
};
typedef uint32_t clap_posix_fd_flags_t;

typedef struct clap_plugin_posix_fd_support {
    // A registered descriptor is ready. [main-thread]
    void(CLAP_ABI* on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
} clap_plugin_posix_fd_support_t;

typedef struct clap_host_posix_fd_support {
    // [main-thread]
    bool(CLAP_ABI* register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    // [main-thread]
    bool(CLAP_ABI* modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    // [main-thread]
    bool(CLAP_ABI* unregister_fd)(const clap_host_t* host, int fd);
} clap_host_posix_fd_support_t;

} // extern "C"
