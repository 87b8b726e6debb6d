#include "editor/SystemDialogs.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>

extern char** environ;

namespace zorvan {

namespace {

const char* const kDialogTitle = "Load Impulse Response";

// Starts argv[0] from PATH with stdin from /dev/null and, when stdoutFd is not
// -1, stdout into it. Returns the process id or -1.
pid_t spawn(const std::vector<std::string>& args, int stdoutFd)
{
    std::vector<char*> argv;
    for (const std::string& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return -1;
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (stdoutFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, stdoutFd, 1);
    pid_t pid = -1;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

// Starts one dialog program with its standard output on a non-blocking pipe.
// False when it could not be started (so the next program may be tried).
bool startDialogProgram(const std::vector<std::string>& args, long& process, int& output)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    const pid_t pid = spawn(args, fds[1]);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        return false;
    }
    process = pid;
    output = fds[0];
    return true;
}

} // namespace

bool IrFileDialog::start(void* ownerWindow)
{
    if (isOpen())
        return false;
    printed_.clear();
    const std::vector<std::string> zenity = {"zenity", "--file-selection", std::string("--title=") + kDialogTitle,
                                             "--file-filter=Wave File (*.wav) | *.wav"};
    if (startDialogProgram(zenity, process_, output_))
        return true;
    const char* home = std::getenv("HOME");
    std::vector<std::string> kdialog = {"kdialog", "--title", kDialogTitle};
    if (ownerWindow) {
        kdialog.push_back("--attach");
        kdialog.push_back(std::to_string(reinterpret_cast<uintptr_t>(ownerWindow)));
    }
    kdialog.push_back("--getopenfilename");
    kdialog.push_back(home && *home ? home : ".");
    kdialog.push_back("*.wav|Wave File (*.wav)");
    return startDialogProgram(kdialog, process_, output_);
}

IrFileDialog::Answer IrFileDialog::poll(std::string& path)
{
    if (answer_ != Answer::None) {
        const Answer a = answer_;
        path = chosen_;
        answer_ = Answer::None;
        return a;
    }
    if (process_ == -1)
        return Answer::None;
    char buffer[1024];
    for (;;) {
        const ssize_t n = read(output_, buffer, sizeof buffer);
        if (n > 0) {
            // Anything longer than a path could be is of no use; keep draining.
            if (printed_.size() < 16 * kMaxIrPath)
                printed_.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return Answer::Pending;
        break; // end of output: the dialog is closing
    }
    int status = 0;
    pid_t r;
    while ((r = waitpid(static_cast<pid_t>(process_), &status, WNOHANG)) < 0 && errno == EINTR) {}
    if (r == 0)
        return Answer::Pending; // output closed, process not quite gone yet
    int exitStatus = r > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (r < 0 && errno == ECHILD)
        exitStatus = printed_.empty() ? 1 : 0; // a host that ignores SIGCHLD reaps for us
    close(output_);
    output_ = -1;
    process_ = -1;
    return finish(exitStatus, path);
}

IrFileDialog::Answer IrFileDialog::finish(int exitStatus, std::string& path)
{
    std::string output;
    output.swap(printed_);
    if (exitStatus != 0)
        return Answer::Cancelled;
    if (!output.empty() && output.back() == '\n')
        output.pop_back();
    // A path that does not fit the program's field would be cut short: refused.
    if (output.empty() || output.size() + 1 > kMaxIrPath || output.find('\n') != std::string::npos)
        return Answer::Cancelled;
    struct stat st {};
    if (stat(output.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return Answer::Cancelled;
    path = output;
    return Answer::Chosen;
}

void IrFileDialog::cancel()
{
    answer_ = Answer::None;
    if (process_ == -1)
        return;
    // Asked to close first; a program that does not within half a second is ended.
    const pid_t pid = static_cast<pid_t>(process_);
    kill(pid, SIGTERM);
    std::vector<pid_t> pids{pid};
    reapChildren(pids, 500);
    if (!pids.empty()) {
        kill(pid, SIGKILL);
        reapChildren(pids, 2000);
    }
    close(output_);
    output_ = -1;
    process_ = -1;
    printed_.clear();
}

pid_t openWebAddress(const char* url)
{
    if (!url || !*url)
        return -1;
    return spawn({"xdg-open", url}, -1);
}

void reapChildren(std::vector<pid_t>& pids, int waitMs)
{
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        for (auto it = pids.begin(); it != pids.end();) {
            int status = 0;
            const pid_t r = waitpid(*it, &status, WNOHANG);
            // Gone, or not ours to wait for (a host ignoring SIGCHLD reaps itself).
            if (r == *it || (r < 0 && errno == ECHILD))
                it = pids.erase(it);
            else
                ++it;
        }
        if (pids.empty() || waitMs <= 0)
            return;
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long elapsed = (now.tv_sec - start.tv_sec) * 1000 + (now.tv_nsec - start.tv_nsec) / 1000000;
        if (elapsed >= waitMs)
            return;
        usleep(10000);
    }
}

} // namespace zorvan
