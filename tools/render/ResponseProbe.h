// Whether the plug-in can use the impulse response of its current program:
// asked of the plug-in itself through the VST 2.4 interface, never guessed
// with a reader of our own. A second instance gets the same programs, is set
// to a level that sounds with any usable response, switched to the EXT.
// cabinet and fed an impulse; an output of exact zeros means the plug-in
// gives silence with that response.
#pragma once

#include "tools/render/PluginHost.h"

namespace zrender {

// configured: the instance as set up for the render (programs, current
// program). Throws RenderError when the second instance cannot be created.
bool externalCabinetIsSilent(PluginHost& configured, double sampleRate, int blockSize);

} // namespace zrender
