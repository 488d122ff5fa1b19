#include "frontends/capture/process.h"

#include <fcntl.h>     // Required for: open()
#include <spawn.h>     // Required for: posix_spawn()
#include <sys/wait.h>  // Required for: waitpid()
#include <unistd.h>    // Required for: access(), pipe2(), write(), close(), pread()

#include <cerrno>
#include <csignal>  // Required for: signal(), SIGPIPE
#include <cstdio>
#include <cstdlib>  // Required for: getenv(), mkostemp()

#include "frontends/capture/stop_signals.h"

extern char** environ;

namespace {

constexpr size_t kMessageTail = 4096;  // The last bytes of the child's messages that are read back
constexpr int kPipeBytes = 1 << 20;     // The most an unprivileged process may ask for by default

// The last non-empty line of what the child printed, shortened.
std::string lastLine(int fd) {
    const off_t size = lseek(fd, 0, SEEK_END);
    if (size <= 0) return "";
    const off_t from = size > (off_t)kMessageTail ? size - (off_t)kMessageTail : 0;
    std::string text((size_t)(size - from), '\0');
    const ssize_t n = pread(fd, &text[0], text.size(), from);
    text.resize(n > 0 ? (size_t)n : 0);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    const size_t newline = text.find_last_of("\r\n");
    const std::string last = newline == std::string::npos ? text : text.substr(newline + 1);
    return last.size() > 200 ? last.substr(0, 200) + "..." : last;
}

}  // namespace

std::string findProgram(const char* name) {
    const char* path = getenv("PATH");
    if (path == nullptr) return "";
    std::string dirs = path;
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t colon = dirs.find(':', start);
        std::string dir = dirs.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (dir.empty()) dir = ".";
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        if (colon == std::string::npos) break;
        start = colon + 1;
    }
    return "";
}

bool startWithInput(const std::vector<std::string>& argv, ChildProcess& child) {
    // A child that dies mid-stream must give us an error from write(), not kill us
    signal(SIGPIPE, SIG_IGN);

    // The child's messages go to a file that has no name from the start: nothing stays behind,
    // however this process ends
    char messages[] = "/tmp/davur_evi_capture.XXXXXX";
    const int messageFd = mkostemp(messages, O_CLOEXEC);
    if (messageFd < 0) return false;
    unlink(messages);

    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        close(messageFd);
        return false;
    }
    // Frames are megabytes: a larger pipe hands them over in fewer turns (the default is 64 KiB; a
    // refusal leaves it so)
    fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messageFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messageFd, STDERR_FILENO);
    // The child starts with the usual signal dispositions, not the ones this process chose
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGXFSZ);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawn(&child.pid, args[0], &actions, &attributes, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(fds[0]);
    if (rc != 0) {
        close(fds[1]);
        close(messageFd);
        child.pid = -1;
        return false;
    }
    child.messages = messageFd;
    child.input = fds[1];
    return true;
}

bool writeAll(ChildProcess& child, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(child.input, p, size);
        if (n < 0 && errno == EINTR && stopSignal() == 0) continue;
        if (n <= 0) return false;
        p += n;
        size -= (size_t)n;
    }
    return true;
}

bool finish(ChildProcess& child, std::string& error) {
    if (child.input >= 0) close(child.input);
    child.input = -1;
    int status = 0;
    bool ok = false;
    if (child.pid > 0) {
        // Asked to stop: the child is told to stop too, rather than waited for to the end
        bool told = false;
        for (;;) {
            if (!told && stopSignal() != 0) {
                kill(child.pid, SIGTERM);
                told = true;
            }
            if (waitpid(child.pid, &status, 0) >= 0 || errno != EINTR) break;
        }
        ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 && !told;
        if (!ok) {
            const std::string said = child.messages >= 0 ? lastLine(child.messages) : "";
            error = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                      : "killed by signal " + std::to_string(WTERMSIG(status));
            if (!said.empty()) error += ": " + said;
        }
    }
    child.pid = -1;
    if (child.messages >= 0) close(child.messages);
    child.messages = -1;
    return ok;
}
