// Helpers for driving zorvan-render as a user would: a scratch folder, sound files
// in and out, and the program run as a subprocess without a shell.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace rendertest {

struct RunResult {
    int exitCode = -1; // -1: did not exit normally
    std::string out;   // standard output
    std::string err;   // standard error
};

// Runs the render host with these arguments (argv[0] is added).
RunResult runRender(const std::vector<std::string>& args);
// Runs a shell script with bash in folder, PATH led by extraPath.
RunResult runBash(const std::string& script, const std::string& folder, const std::string& extraPath);

// A fresh folder, removed with everything in it when the object goes.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    const std::string& dir() const { return dir_; }
    std::vector<std::string> entries() const; // names in the folder, sorted
    // Every entry with its kind, mode and bytes (or link target), to compare
    // the folder before and after a run.
    std::map<std::string, std::string> snapshot() const;

private:
    std::string dir_;
};

struct Audio {
    int rate = 0;
    int channels = 0;
    std::vector<double> samples; // interleaved
    int64_t frames() const { return channels ? int64_t(samples.size()) / channels : 0; }
};

// Writes a WAV file (16-bit PCM unless floatSamples).
void writeWav(const std::string& path, const Audio& audio, bool floatSamples = false);
// Writes a sound file of a libsndfile format (SF_FORMAT_* container | sample type).
void writeSound(const std::string& path, const Audio& audio, int format);
// Reads any sound file; fails the current test when it cannot. format gets
// the file's SF_FORMAT_* value when given.
Audio readSound(const std::string& path, int* format = nullptr);
// A short plucked test tone (decaying sine mix) of the given length.
Audio testTone(int rate, int channels, double seconds, double level = 0.4);

bool fileExists(const std::string& path);
std::vector<uint8_t> readBytes(const std::string& path);
// Whole-file equality, without dumping the bytes into the test log.
bool sameBytes(const std::string& a, const std::string& b);
void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes);
// Counts the non-empty lines of a text.
int lineCount(const std::string& text);

} // namespace rendertest
