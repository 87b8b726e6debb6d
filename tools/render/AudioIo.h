// Audio in and out of the render host: an input (a sound file or the demo riff)
// read as two channels, and an output sound file that only appears under its
// own name, or on standard output, once it is complete.
#pragma once

#include "tools/render/OutputFormat.h"
#include "tools/render/PendingFile.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

typedef struct sf_private_tag SNDFILE;

namespace zrender {

// Reads stereo frames from a sound file or from the built-in riff.
class InputSource {
public:
    // Opens a regular file libsndfile can read. Throws RenderError when it cannot.
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
    // Frames read so far.
    int64_t framesRead() const { return position_; }
    // Why the file holds less audio than its header promises (a cut-off
    // download or copy), or empty. Read ends early then: compare framesRead().
    const std::string& damage() const { return damage_; }

    // Up to n frames into left and right; returns the frames read, 0 at the end.
    // A mono source feeds both channels, or only the left with monoLeft.
    size_t read(double* left, double* right, size_t n);

private:
    InputSource() = default;

    SNDFILE* file_ = nullptr; // null for the demo
    std::vector<float> demo_; // the riff, when no file is used
    int64_t position_ = 0;    // next frame to read
    double rate_ = 0;
    int64_t frames_ = 0;
    int channels_ = 0;
    bool monoLeft_ = false;
    std::string description_;         // for the summary
    std::string damage_;              // what libsndfile found short, if anything
    std::vector<double> interleaved_; // read buffer of the file's own width
};

// The rendered audio, written into a pending file and moved into place by
// commit(); or, for standard output, into an unnamed temporary file whose
// finished bytes commit() copies out (WAV needs its sizes in the header, which
// a pipe cannot go back to).
class OutputFile {
public:
    // pending null: standard output.
    OutputFile(std::unique_ptr<PendingFile> pending, const OutputFormat& format);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Starts a stereo file at the rate.
    void open(double sampleRate);
    // Appends n frames. Non-finite samples become 0 in integer output, where they
    // have no representation; float output keeps them as they are.
    void write(const double* left, const double* right, size_t n);
    // Finishes the file and moves it to its destination.
    void commit();

    const std::string& name() const { return name_; }
    const OutputFormat& format() const { return format_; }

private:
    std::unique_ptr<PendingFile> pending_; // null for standard output
    OutputFormat format_;
    std::string name_; // for messages
    int fd_ = -1;      // the file libsndfile writes (not owned for a pending file)
    SNDFILE* file_ = nullptr;
    std::vector<double> interleaved_;
};

// Reads a whole (small) file; throws RenderError.
std::vector<uint8_t> readWholeFile(const std::string& path, size_t limit);

} // namespace zrender
