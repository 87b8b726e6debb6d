// The rules every file the render host writes must pass before anything is
// rendered, so that no command line replaces a file the user did not clearly
// name as an output: only regular files, never one that is read, an existing
// file only when asked to, a read-only one never.
#pragma once

#include <string>
#include <vector>

namespace zrender {

// A file the run reads, with what it is for the messages ("the input").
struct ReadFile {
    std::string role;
    std::string path;
};

// Where one output goes.
struct OutputTarget {
    std::string named;   // as the user gave it
    std::string path;    // absolute, links followed: the file created or replaced
    bool exists = false; // a file is there now (replaced only with overwrite)
    unsigned mode = 0;   // its permission bits, which the replacement keeps
};

// Applies the rules to one output and tells where it goes. Throws RenderError
// saying which rule refused it: not a regular file (folder, device, FIFO,
// link to nothing), the same file as one that is read (same device and inode,
// whatever the links), an existing file without overwrite, a read-only file.
OutputTarget planOutput(const std::string& named, const std::vector<ReadFile>& reads, bool overwrite);

// Throws RenderError when two outputs are the same file.
void checkDistinct(const std::vector<OutputTarget>& outputs);

// Throws RenderError when read is the file of one of the outputs; for files
// learnt later, such as the response path inside a loaded bank.
void checkNotAnOutput(const ReadFile& read, const std::vector<OutputTarget>& outputs);

} // namespace zrender
