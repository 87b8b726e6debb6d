// The library's one export: the CLAP entry hosts look for.
#include "plugin/clap/ZorvanClapFactory.h"

// Declared exported by the CLAP headers.
extern "C" {

const clap_plugin_entry_t clap_entry = {CLAP_VERSION_INIT, zclap::entryInit, zclap::entryDeinit, zclap::entryFactory};

} // extern "C"
