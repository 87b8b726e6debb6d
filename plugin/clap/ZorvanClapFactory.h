// The library's side of the CLAP entry: one plug-in descriptor and the
// factory that makes its instances. Entry.cpp exports these as clap_entry.
//
// Threads: the entry's init and deinit on the host's main thread; the
// factory from any thread (it keeps no state of its own).
#pragma once

#include "plugin/clap/ClapExtensions.h"

namespace zclap {

// The plug-in's id, fixed for good: hosts store it in their projects.
constexpr char kPluginId[] = "example.zorvan.ferroharmonic-lite";

const clap_plugin_descriptor_t& descriptor();
const clap_plugin_factory_t& factory();

// clap_entry's three functions.
bool entryInit(const char* pluginPath);
void entryDeinit();
const void* entryFactory(const char* factoryId);

} // namespace zclap
