#include "tools/capture/process.h"

#include <fcntl.h>     // Required for: open()
#include <spawn.h>     // Required for: posix_spawn()
#include <sys/wait.h>  // Required for: waitpid()
#include <unistd.h>    // Required for: access(), pipe(), write(), close()

#include <cerrno>
#include <csignal>  // Required for: signal(), SIGPIPE
#include <cstdio>
#include <cstdlib>  // Required for: getenv(), mkstemp()

extern char** environ;

namespace {

// The last non-empty line of a text file, shortened.
std::string lastLine(const std::string& path) {
    FILE* f = fopen(path.c_str(), "r");
    if (f == nullptr) return "";
    std::string last, line;
    char buf[512];
    while (fgets(buf, sizeof(buf), f) != nullptr) {
        line += buf;
        if (!line.empty() && line.back() == '\n') {
            line.pop_back();
            if (!line.empty()) last = line;
            line.clear();
        }
    }
    if (!line.empty()) last = line;
    fclose(f);
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

    char messages[] = "/tmp/davur_evi_capture.XXXXXX";
    const int messageFd = mkstemp(messages);
    if (messageFd < 0) return false;
    child.messageFile = messages;

    int fds[2];
    if (pipe(fds) != 0) {
        close(messageFd);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messageFd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, messageFd, STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int rc = posix_spawn(&child.pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    close(messageFd);
    if (rc != 0) {
        close(fds[1]);
        child.pid = -1;
        return false;
    }
    child.input = fds[1];
    return true;
}

bool writeAll(ChildProcess& child, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = write(child.input, p, size);
        if (n < 0 && errno == EINTR) continue;
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
        while (waitpid(child.pid, &status, 0) < 0 && errno == EINTR) {
        }
        ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (!ok) {
            const std::string said = lastLine(child.messageFile);
            error = WIFEXITED(status) ? "exit status " + std::to_string(WEXITSTATUS(status))
                                      : "killed by signal " + std::to_string(WTERMSIG(status));
            if (!said.empty()) error += ": " + said;
        }
    }
    child.pid = -1;
    if (!child.messageFile.empty()) remove(child.messageFile.c_str());
    child.messageFile.clear();
    return ok;
}
