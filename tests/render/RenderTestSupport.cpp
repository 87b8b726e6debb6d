#include "RenderTestSupport.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

extern char** environ;

namespace rendertest {
namespace {

std::string slurp(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

void removeTree(const std::string& path)
{
    struct stat st;
    if (lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        if (DIR* d = opendir(path.c_str())) {
            while (dirent* e = readdir(d)) {
                const std::string name = e->d_name;
                if (name != "." && name != "..")
                    removeTree(path + "/" + name);
            }
            closedir(d);
        }
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

} // namespace

namespace {

RunResult spawn(const std::string& program, const std::vector<std::string>& args, const std::string& folder, char** env)
{
    ScratchDir io;
    const std::string outPath = io.path("stdout"), errPath = io.path("stderr");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (!folder.empty())
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());

    std::vector<std::string> all;
    all.push_back(program);
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    RunResult r;
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), env);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        ADD_FAILURE() << "cannot start " << program << ": " << std::strerror(rc);
        return r;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {}
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = slurp(outPath);
    r.err = slurp(errPath);
    return r;
}

} // namespace

RunResult runRender(const std::vector<std::string>& args)
{
    return spawn(ZORVAN_RENDER_EXE, args, "", environ);
}

RunResult runBash(const std::string& script, const std::string& folder, const std::string& extraPath)
{
    std::vector<std::string> vars;
    for (char** e = environ; *e; ++e)
        if (std::strncmp(*e, "PATH=", 5) != 0)
            vars.push_back(*e);
    const char* path = std::getenv("PATH");
    vars.push_back("PATH=" + extraPath + ":" + (path ? path : "/usr/bin:/bin"));
    std::vector<char*> env;
    for (std::string& v : vars)
        env.push_back(v.data());
    env.push_back(nullptr);
    return spawn("bash", {"-c", script}, folder, env.data());
}

ScratchDir::ScratchDir()
{
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zorvan-render-test.XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back(0);
    if (!mkdtemp(buf.data())) {
        ADD_FAILURE() << "cannot create a scratch folder";
        return;
    }
    dir_ = buf.data();
}

ScratchDir::~ScratchDir()
{
    if (!dir_.empty())
        removeTree(dir_);
}

std::vector<std::string> ScratchDir::entries() const
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir_.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

void writeSound(const std::string& path, const Audio& audio, int format)
{
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    info.samplerate = audio.rate;
    info.channels = audio.channels;
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr) << path << ": " << sf_strerror(nullptr);
    sf_writef_double(f, audio.samples.data(), audio.frames());
    sf_close(f);
}

void writeWav(const std::string& path, const Audio& audio, bool floatSamples)
{
    writeSound(path, audio, SF_FORMAT_WAV | (floatSamples ? SF_FORMAT_FLOAT : SF_FORMAT_PCM_16));
}

Audio readSound(const std::string& path, int* format)
{
    Audio a;
    SF_INFO info;
    std::memset(&info, 0, sizeof info);
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f) {
        ADD_FAILURE() << "cannot read " << path << ": " << sf_strerror(nullptr);
        return a;
    }
    if (format)
        *format = info.format;
    a.rate = info.samplerate;
    a.channels = info.channels;
    a.samples.resize(size_t(info.frames) * size_t(info.channels));
    sf_readf_double(f, a.samples.data(), info.frames);
    sf_close(f);
    return a;
}

Audio testTone(int rate, int channels, double seconds, double level)
{
    Audio a;
    a.rate = rate;
    a.channels = channels;
    const int64_t frames = int64_t(seconds * rate);
    a.samples.resize(size_t(frames) * size_t(channels));
    for (int64_t i = 0; i < frames; ++i) {
        const double t = double(i) / rate;
        const double env = std::exp(-3.0 * t);
        const double s = level * env *
            (0.6 * std::sin(2 * M_PI * 110.0 * t) + 0.3 * std::sin(2 * M_PI * 220.0 * t) +
             0.1 * std::sin(2 * M_PI * 1650.0 * t));
        for (int c = 0; c < channels; ++c)
            a.samples[size_t(i) * size_t(channels) + size_t(c)] = s;
    }
    return a;
}

std::map<std::string, std::string> ScratchDir::snapshot() const
{
    std::map<std::string, std::string> state;
    for (const std::string& name : entries()) {
        const std::string p = path(name);
        struct stat st;
        if (lstat(p.c_str(), &st) != 0)
            continue;
        std::string& d = state[name];
        d = std::to_string(st.st_mode) + " ";
        if (S_ISLNK(st.st_mode)) {
            char target[4096] = {};
            d += "-> " + std::string(target, size_t(std::max<ssize_t>(0, readlink(p.c_str(), target, sizeof target))));
        } else if (S_ISREG(st.st_mode)) {
            d += slurp(p);
        }
    }
    return state;
}

bool fileExists(const std::string& path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::vector<uint8_t> readBytes(const std::string& path)
{
    const std::string s = slurp(path);
    return std::vector<uint8_t>(s.begin(), s.end());
}

bool sameBytes(const std::string& a, const std::string& b)
{
    const std::vector<uint8_t> x = readBytes(a), y = readBytes(b);
    return !x.empty() && x == y;
}

void writeBytes(const std::string& path, const std::vector<uint8_t>& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

int lineCount(const std::string& text)
{
    int n = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            ++n;
        start = end + 1;
    }
    return n;
}

} // namespace rendertest
