#include "tools/capture/stop_signals.h"

#include <csignal>

namespace {

volatile sig_atomic_t requestedStop = 0;

void noteStop(int signal) {
    if (requestedStop == 0) requestedStop = signal;
}

void handle(int signal, void (*handler)(int)) {
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // No SA_RESTART: a blocked write or wait returns, and the loop sees the stop
    sigaction(signal, &action, nullptr);
}

}  // namespace

void installStopHandlers() {
    handle(SIGINT, noteStop);
    handle(SIGTERM, noteStop);
    handle(SIGXFSZ, SIG_IGN);  // write() fails with EFBIG and the partial file is removed
    handle(SIGPIPE, SIG_IGN);  // An encoder that dies gives write() an error, not us a signal
}

int stopSignal() { return requestedStop; }

const char* stopMessage(int signal) { return signal == SIGINT ? "interrupted by SIGINT" : "interrupted by SIGTERM"; }

int stopStatus(int signal) { return 128 + signal; }
