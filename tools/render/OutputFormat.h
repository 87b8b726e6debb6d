// The sound file format of the render's output: named with --format, or told
// by the output's extension as libsndfile knows it.
#pragma once

#include <optional>
#include <string>

namespace zrender {

struct OutputFormat {
    int sndfileFormat = 0;      // SF_FORMAT_* container | sample type
    std::string description;    // "24-bit WAV", for the summary
    bool integerSamples = true; // false for float WAV and AIFF, which keep overs and non-finite values
};

// The format for path ("-" is standard output, written as WAV): forced names
// wav, flac, aiff or ogg; otherwise the extension decides. floatSamples asks
// for 32-bit float, which only WAV and AIFF hold. On failure returns nullopt
// and sets error to a one-line message.
std::optional<OutputFormat> chooseOutputFormat(const std::string& path, const std::string& forced, bool floatSamples,
                                               std::string& error);

} // namespace zrender
