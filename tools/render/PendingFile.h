// A file that appears under its name only when it is complete: written to a
// hidden temporary file in the destination's folder, then renamed onto it.
// Created before rendering, so an output that cannot be written stops the run
// before any work; destroyed without commit() (an error, Ctrl-C), it leaves
// nothing behind.
#pragma once

#include "tools/render/OutputRules.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zrender {

class PendingFile {
public:
    // Creates the temporary file; throws RenderError when the folder is not
    // writable. mayReplace lets commit() replace a file that appeared since.
    PendingFile(const OutputTarget& target, bool mayReplace);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    int fd() const { return fd_; }
    const OutputTarget& target() const { return target_; }
    // Writes the whole contents of a small file.
    void write(const std::vector<uint8_t>& bytes);
    // Closes the file and moves it into place; throws RenderError.
    void commit();

private:
    OutputTarget target_;
    bool mayReplace_;
    std::string tempPath_; // empty once committed or removed
    int fd_ = -1;
};

// An unnamed temporary file (removed by the system when closed), for output
// that must be complete before it is copied to standard output.
int anonymousTempFile();

} // namespace zrender
