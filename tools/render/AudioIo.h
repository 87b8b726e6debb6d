// Audio in and out of the render host: an input (a sound file or the demo riff)
// read as two channels, and an output WAV that only appears under its own name
// once it is complete.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace zrender {

// Reads stereo frames from a sound file or from the built-in riff.
class InputSource {
public:
    // Opens a file libsndfile can read. Throws RenderError when it cannot.
    static InputSource openFile(const std::string& path, bool monoLeft);
    // The demo riff at its own rate.
    static InputSource demo(bool monoLeft);

    InputSource(InputSource&& other) noexcept;
    InputSource& operator=(InputSource&&) = delete;
    ~InputSource();

    double sampleRate() const { return rate_; }
    int64_t frames() const { return frames_; }
    int channels() const { return channels_; }
    const std::string& description() const { return description_; }

    // Up to n frames into left and right; returns the frames read, 0 at the end.
    // A mono source feeds both channels, or only the left with monoLeft.
    size_t read(double* left, double* right, size_t n);

private:
    InputSource() = default;

    SNDFILE* file_ = nullptr;           // null for the demo
    std::vector<float> demo_;           // the riff, when no file is used
    int64_t position_ = 0;              // next frame to read
    double rate_ = 0;
    int64_t frames_ = 0;
    int channels_ = 0;
    bool monoLeft_ = false;
    std::string description_;           // for the summary
    std::vector<double> interleaved_;   // read buffer of the file's own width
};

// The output WAV, written to a hidden temporary file in the destination folder
// and renamed over the destination by commit(). Destroyed without commit(), it
// removes the temporary file, so a failed render leaves nothing behind.
class OutputFile {
public:
    // Creates the temporary file; throws RenderError if the folder is not writable.
    explicit OutputFile(const std::string& path);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a stereo WAV: 24-bit PCM, or 32-bit float.
    void open(double sampleRate, bool floatSamples);
    // Appends n frames. Non-finite samples become 0 in integer output, where they
    // have no representation; float output keeps them as they are.
    void write(const double* left, const double* right, size_t n);
    // Finishes the file and renames it to its destination.
    void commit();

    const std::string& path() const { return path_; }

private:
    void discard();

    std::string path_;              // destination
    std::string tempPath_;          // where it is written meanwhile
    SNDFILE* file_ = nullptr;
    bool floatSamples_ = false;
    bool committed_ = false;
    std::vector<double> interleaved_;
};

// Writes bytes to path through a temporary file and a rename; throws RenderError.
void writeFileAtomically(const std::string& path, const std::vector<uint8_t>& bytes);
// Reads a whole (small) file; throws RenderError.
std::vector<uint8_t> readWholeFile(const std::string& path, size_t limit);

} // namespace zrender
