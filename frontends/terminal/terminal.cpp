#include "frontends/terminal/terminal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>  // Required for: atexit()
#include <cstring>  // Required for: strlen()
#include <ctime>    // Required for: clock_gettime()

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

volatile sig_atomic_t gActive = 0;
volatile sig_atomic_t gResized = 0;
volatile sig_atomic_t gStop = 0;
struct termios gSavedMode;
int gOutput = -1;
int gSavedStderr = -1;

const int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
const int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGQUIT, SIGTRAP, SIGSYS};

// Blocking and async-signal-safe: used on the way out, when the bytes must arrive.
void writeAll(int fd, const char* bytes, size_t length) {
    while (length > 0) {
        const ssize_t n = write(fd, bytes, length);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        bytes += n;
        length -= (size_t)n;
    }
}

void onStop(int) { gStop = 1; }
void onResize(int) { gResized = 1; }

void onCrash(int sig) {
    restoreTerminal();
    signal(sig, SIG_DFL);
    raise(sig);
}

void restoreAtExit() { restoreTerminal(); }

void install(int sig, void (*handler)(int), int flags) {
    struct sigaction action = {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
}

void rawMode(struct termios& t) {
    t.c_iflag &= ~(tcflag_t)(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON);
    t.c_oflag &= ~(tcflag_t)OPOST;  // Bytes reach the terminal as they are
    t.c_lflag &= ~(tcflag_t)(ECHO | ECHONL | ICANON | ISIG | IEXTEN);  // Ctrl-C arrives as a key
    t.c_cflag &= ~(tcflag_t)(CSIZE | PARENB);
    t.c_cflag |= CS8;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

// Its own open file, so making it non-blocking leaves the shell's descriptor as it was.
int openOwnOutput() {
    const char* name = ttyname(STDOUT_FILENO);
    int fd = name != nullptr ? open(name, O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC) : -1;
    if (fd < 0) fd = dup(STDOUT_FILENO);  // Writes may then wait for the terminal
    return fd;
}

}  // namespace

bool openTerminal(std::string& error) {
    if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
        error = "needs a terminal on its input and output";
        return false;
    }
    if (tcgetattr(STDIN_FILENO, &gSavedMode) != 0) {
        error = std::string("cannot read the terminal's mode: ") + strerror(errno);
        return false;
    }
    gOutput = openOwnOutput();
    if (gOutput < 0) {
        error = std::string("cannot open the terminal for output: ") + strerror(errno);
        return false;
    }

    for (int sig : kStopSignals) install(sig, onStop, 0);
    install(SIGWINCH, onResize, SA_RESTART);
    for (int sig : kCrashSignals) install(sig, onCrash, SA_RESETHAND);
    signal(SIGPIPE, SIG_IGN);
    atexit(restoreAtExit);

    struct termios raw = gSavedMode;
    rawMode(raw);
    tcsetattr(STDIN_FILENO, TCSANOW, &raw);
    gActive = 1;
    writeAll(STDOUT_FILENO, kEnterSequence, sizeof(kEnterSequence) - 1);

    // Library chatter on stderr (a decoder's notes on a damaged file) would land in the middle of
    // the picture, or, redirected, bury the one line the player prints when it cannot play
    {
        const int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
        gSavedStderr = dup(STDERR_FILENO);
        if (quiet >= 0 && gSavedStderr >= 0) dup2(quiet, STDERR_FILENO);
        if (quiet >= 0) close(quiet);
    }
    return true;
}

void restoreTerminal() {
    if (!gActive) return;
    gActive = 0;
    if (gSavedStderr >= 0) {
        dup2(gSavedStderr, STDERR_FILENO);
        close(gSavedStderr);
        gSavedStderr = -1;
    }
    // An escape sequence cut short by a crash is ended by the ESC that starts this one
    writeAll(STDOUT_FILENO, kLeaveSequence, sizeof(kLeaveSequence) - 1);
    tcsetattr(STDIN_FILENO, TCSADRAIN, &gSavedMode);
}

int terminalInput() { return STDIN_FILENO; }
int terminalOutput() { return gOutput; }

bool terminalSize(int& cols, int& rows) {
    struct winsize size = {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0 || size.ws_col == 0 || size.ws_row == 0) return false;
    cols = size.ws_col;
    rows = size.ws_row;
    return true;
}

bool takeResizeSignal() {
    if (!gResized) return false;
    gResized = 0;
    return true;
}

bool stopSignalled() { return gStop != 0; }

double monotonicSeconds() {
    struct timespec t = {};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec + (double)t.tv_nsec * 1e-9;
}

double processCpuSeconds() {
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const struct timeval& t) { return (double)t.tv_sec + (double)t.tv_usec * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool writePending(int fd, PendingOutput& out) {
    while (!out.broken && !outputDone(out)) {
        const ssize_t n = write(fd, out.buffer.bytes.data() + out.sent, out.buffer.size - out.sent);
        if (n > 0) {
            out.sent += (size_t)n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return false;  // The terminal is behind; the rest goes when it is ready
        } else {
            out.broken = true;
        }
    }
    return outputDone(out);
}

size_t readInput(char* bytes, size_t capacity) {
    size_t total = 0;
    while (total < capacity) {
        const ssize_t n = read(STDIN_FILENO, bytes + total, capacity - total);
        if (n > 0) {
            total += (size_t)n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;  // Nothing more now (raw mode with VMIN 0), or an error
        }
    }
    return total;
}

void waitFor(double deadline, int fd, PendingOutput& out) {
    for (;;) {
        const double left = deadline - monotonicSeconds();
        if (left <= 0.0 || gStop || gResized) return;
        struct pollfd watch = {fd, POLLOUT, 0};
        const bool writing = !outputDone(out) && !out.broken;
        const int ms = (int)(left * 1000.0) + 1;
        const int ready = poll(&watch, writing ? 1 : 0, ms);
        if (ready > 0 && writing) writePending(fd, out);
    }
}

void finishOutput(double deadline, int fd, PendingOutput& out) {
    while (!writePending(fd, out) && !out.broken) {
        const double left = deadline - monotonicSeconds();
        if (left <= 0.0) return;
        struct pollfd watch = {fd, POLLOUT, 0};
        poll(&watch, 1, (int)(left * 1000.0) + 1);
    }
}
