#include "tools/render/OutputFormat.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>

namespace zrender {
namespace {

struct Container {
    const char* name;          // as --format takes it
    const char* extensions[3]; // lower case, with the dot
    int format;                // SF_FORMAT_* container
    const char* shownAs;       // in the summary
};

constexpr Container kContainers[] = {
    {"wav", {".wav", ".wave", nullptr}, SF_FORMAT_WAV, "WAV"},
    {"flac", {".flac", nullptr, nullptr}, SF_FORMAT_FLAC, "FLAC"},
    {"aiff", {".aiff", ".aif", nullptr}, SF_FORMAT_AIFF, "AIFF"},
    {"ogg", {".ogg", ".oga", nullptr}, SF_FORMAT_OGG, "Ogg Vorbis"},
};

std::string lowerExtension(const std::string& path)
{
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return "";
    std::string ext = path.substr(dot);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

} // namespace

std::optional<OutputFormat> chooseOutputFormat(const std::string& path, const std::string& forced, bool floatSamples,
                                               std::string& error)
{
    const Container* chosen = nullptr;
    if (!forced.empty()) {
        for (const Container& c : kContainers)
            if (forced == c.name)
                chosen = &c;
        if (!chosen) {
            error = "value of --format must be wav, flac, aiff or ogg, not '" + forced + "'";
            return std::nullopt;
        }
    } else if (path == "-") {
        chosen = &kContainers[0];
    } else {
        const std::string ext = lowerExtension(path);
        for (const Container& c : kContainers)
            for (const char* e : c.extensions)
                if (e && ext == e)
                    chosen = &c;
        if (!chosen) {
            error = "cannot tell the format of " + path + " from its " +
                (ext.empty() ? std::string("name") : "extension '" + ext + "'") +
                ": name it .wav, .flac, .aiff or .ogg, or give --format";
            return std::nullopt;
        }
    }

    const bool canFloat = chosen->format == SF_FORMAT_WAV || chosen->format == SF_FORMAT_AIFF;
    if (floatSamples && !canFloat) {
        error = std::string("--float is for WAV and AIFF output; leave it out for ") + chosen->shownAs;
        return std::nullopt;
    }
    OutputFormat f;
    if (chosen->format == SF_FORMAT_OGG) {
        f.sndfileFormat = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
        f.description = chosen->shownAs;
    } else {
        f.sndfileFormat = chosen->format | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_24);
        f.description = std::string(floatSamples ? "32-bit float " : "24-bit ") + chosen->shownAs;
        f.integerSamples = !floatSamples;
    }
    return f;
}

} // namespace zrender
