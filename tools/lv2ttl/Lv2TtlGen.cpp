// Writes the Turtle files of the LV2 bundle from the tables the code itself
// uses: the parameter table (names, symbols, kinds, switch positions), the
// shell's port layout and value mapping, the identity, and the engine's own
// fresh programs for the presets. Run by the build:
//   zorvan-lv2-ttl <bundle folder> <DSP library file name> <UI library file name>
#include "plugin/Identity.h"
#include "plugin/Parameters.h"
#include "plugin/ZorvanEngine.h"
#include "plugin/ZorvanProgram.h"
#include "plugin/lv2/Lv2Ports.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

using namespace zorvan;
using namespace zorvan::lv2;

namespace {

const char kPrefixes[] = "@prefix atom:  <http://lv2plug.in/ns/ext/atom#> .\n"
                         "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
                         "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
                         "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
                         "@prefix mod:   <http://moddevices.com/ns/mod#> .\n"
                         "@prefix patch: <http://lv2plug.in/ns/ext/patch#> .\n"
                         "@prefix pset:  <http://lv2plug.in/ns/ext/presets#> .\n"
                         "@prefix rdf:   <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
                         "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
                         "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                         "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
                         "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n"
                         "@prefix work:  <http://lv2plug.in/ns/ext/worker#> .\n\n";

const char kPluginTtl[] = "zorvan-ferroharmonic-lite.ttl";
const char kPresetsTtl[] = "presets.ttl";

// A Turtle decimal that reads back as the same float.
std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    std::string s(text);
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

// "VOLUME" -> "Volume": the panel legend as a host lists it.
std::string portName(const char* legend)
{
    std::string name(legend);
    for (size_t i = 1; i < name.size(); ++i)
        name[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(name[i])));
    return name;
}

std::string presetUri(int program)
{
    return std::string(kPresetUriPrefix) + std::to_string(program + 1);
}

// "init" as the engine names a fresh program -> "Program 1 (init)".
std::string presetLabel(int program, const ZorvanProgram& record)
{
    char name[kProgramNameSize + 1];
    copyField(name, sizeof name, record.name, kProgramNameSize);
    return "Program " + std::to_string(program + 1) + " (" + name + ")";
}

void audioPort(std::ostream& out, uint32_t index, bool input, const char* symbol, const char* name)
{
    out << "    [\n        a lv2:AudioPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name
        << "\"\n    ]";
}

void controlPort(std::ostream& out, int32_t index)
{
    const ParameterInfo& info = kParameterInfo[index];
    out << "    [\n        a lv2:InputPort , lv2:ControlPort ;\n"
        << "        lv2:index " << parameterPort(index) << " ;\n"
        << "        lv2:symbol \"" << info.symbol << "\" ;\n"
        << "        lv2:name \"" << portName(info.displayName) << "\" ;\n"
        << "        lv2:default " << number(portDefault(index)) << " ;\n"
        << "        lv2:minimum " << number(portMinimum(index)) << " ;\n"
        << "        lv2:maximum " << number(portMaximum(index));
    if (info.kind == ParameterKind::Switch) {
        out << " ;\n        lv2:portProperty lv2:integer , lv2:enumeration ;\n        lv2:scalePoint";
        for (int position = 0; position < kSwitchPositions; ++position)
            out << (position ? " ,\n            " : " ") << "[ rdfs:label \"" << info.positionNames[position]
                << "\" ; rdf:value " << number(static_cast<float>(position)) << " ]";
    }
    out << "\n    ]";
}

void atomPort(std::ostream& out, uint32_t index, bool input, const char* symbol, const char* name)
{
    out << "    [\n        a atom:AtomPort , " << (input ? "lv2:InputPort" : "lv2:OutputPort") << " ;\n"
        << "        atom:bufferType atom:Sequence ;\n        atom:supports patch:Message ;\n"
        << "        lv2:designation lv2:control ;\n"
        << "        lv2:index " << index << " ;\n        lv2:symbol \"" << symbol << "\" ;\n        lv2:name \"" << name
        << "\"\n    ]";
}

std::string pluginTtl()
{
    int major = 0, minor = 0, micro = 0;
    std::sscanf(kVersionString, "%d.%d.%d", &major, &minor, &micro);

    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kIrPropertyUri << ">\n    a lv2:Parameter ;\n"
        << "    rdfs:label \"Impulse response\" ;\n"
        << "    rdfs:comment \"WAV file played by the EXT. cabinet: 16, 24 or 32-bit integer or 32-bit float, "
           "mono or stereo\" ;\n"
        << "    rdfs:range atom:Path ;\n"
        << "    mod:fileTypes \"ir,cabsim,wav\" .\n\n";

    out << "<" << kPluginUri << ">\n    a lv2:Plugin , lv2:SimulatorPlugin , doap:Project ;\n"
        << "    doap:name \"" << kEffectName << "\" ;\n"
        << "    rdfs:comment \"Guitar amplifier head and speaker cabinet simulator\" ;\n"
        << "    doap:maintainer [\n        foaf:name \"" << kVendorString << "\" ;\n        foaf:homepage <"
        << kWebAddress << ">\n    ] ;\n"
        << "    lv2:minorVersion " << minor << " ;\n    lv2:microVersion " << micro << " ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature lv2:hardRTCapable , work:schedule , state:threadSafeRestore ;\n"
        << "    lv2:extensionData state:interface , work:interface ;\n"
        << "    patch:writable <" << kIrPropertyUri << "> ;\n"
        << "    ui:ui <" << kUiUri << "> ;\n"
        << "    lv2:port\n";
    audioPort(out, kPortInLeft, true, "in_l", "Left In");
    out << " ,\n";
    audioPort(out, kPortInRight, true, "in_r", "Right In");
    out << " ,\n";
    audioPort(out, kPortOutLeft, false, "out_l", "Left Out");
    out << " ,\n";
    audioPort(out, kPortOutRight, false, "out_r", "Right Out");
    for (int32_t i = 0; i < kNumParams; ++i) {
        out << " ,\n";
        controlPort(out, i);
    }
    out << " ,\n";
    atomPort(out, kPortControl, true, "control", "Control");
    out << " ,\n";
    atomPort(out, kPortNotify, false, "notify", "Notify");
    out << " .\n\n";

    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n"
        << "    lv2:requiredFeature urid:map ;\n"
        << "    lv2:optionalFeature ui:parent , ui:resize , ui:touch , ui:noUserResize , ui:idleInterface ;\n"
        << "    lv2:extensionData ui:idleInterface , ui:showInterface ;\n"
        << "    ui:portNotification [\n        ui:plugin <" << kPluginUri << "> ;\n"
        << "        lv2:symbol \"notify\" ;\n        ui:notifyType atom:Blank\n    ] .\n";
    return out.str();
}

std::string presetsTtl(const ZorvanProgram (&bank)[kNumPrograms])
{
    std::ostringstream out;
    out << kPrefixes;
    for (int p = 0; p < kNumPrograms; ++p) {
        out << "<" << presetUri(p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label \"" << presetLabel(p, bank[p]) << "\" ;\n    lv2:port";
        for (int32_t i = 0; i < kNumParams; ++i)
            out << (i ? " ,\n        " : " ") << "[ lv2:symbol \"" << kParameterInfo[i].symbol << "\" ; pset:value "
                << number(valueToPort(i, bank[p].values[i])) << " ]";
        out << " .\n\n";
    }
    return out.str();
}

std::string manifestTtl(const char* dspBinary, const char* uiBinary, const ZorvanProgram (&bank)[kNumPrograms])
{
    std::ostringstream out;
    out << kPrefixes;
    out << "<" << kPluginUri << ">\n    a lv2:Plugin ;\n    lv2:binary <" << dspBinary << "> ;\n"
        << "    rdfs:seeAlso <" << kPluginTtl << "> .\n\n";
    out << "<" << kUiUri << ">\n    a ui:X11UI ;\n    ui:binary <" << uiBinary << "> ;\n"
        << "    rdfs:seeAlso <" << kPluginTtl << "> .\n\n";
    for (int p = 0; p < kNumPrograms; ++p)
        out << "<" << presetUri(p) << ">\n    a pset:Preset ;\n    lv2:appliesTo <" << kPluginUri << "> ;\n"
            << "    rdfs:label \"" << presetLabel(p, bank[p]) << "\" ;\n"
            << "    rdfs:seeAlso <" << kPresetsTtl << "> .\n\n";
    return out.str();
}

bool writeFile(const std::string& folder, const char* name, const std::string& text)
{
    std::ofstream file(folder + "/" + name, std::ios::binary | std::ios::trunc);
    file << text;
    return static_cast<bool>(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <bundle folder> <DSP library> <UI library>\n", argv[0]);
        return 2;
    }
    // The presets are the programs exactly as a fresh engine holds them.
    ZorvanEngine engine;
    void* chunk = nullptr;
    if (engine.getChunk(&chunk, false) != kBankChunkSize)
        return 1;
    ZorvanProgram bank[kNumPrograms];
    std::memcpy(bank, chunk, sizeof bank);

    const std::string folder = argv[1];
    const bool ok = writeFile(folder, "manifest.ttl", manifestTtl(argv[2], argv[3], bank)) &&
        writeFile(folder, kPluginTtl, pluginTtl()) && writeFile(folder, kPresetsTtl, presetsTtl(bank));
    if (!ok) {
        std::fprintf(stderr, "cannot write the bundle's files in %s\n", argv[1]);
        return 1;
    }
    return 0;
}
