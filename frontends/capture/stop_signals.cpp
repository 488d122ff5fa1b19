#include "frontends/capture/stop_signals.h"

#include <csignal>

namespace {

volatile sig_atomic_t requestedStop = 0;
bool looked = false;               // The dispositions we started with were read
bool ignored[2] = {false, false};  // SIGINT, SIGTERM: ignored by whoever started us (nohup, a background job)

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

bool ignoredAtStart(int signal) {
    struct sigaction current = {};
    return sigaction(signal, nullptr, &current) == 0 && current.sa_handler == SIG_IGN;
}

}  // namespace

void installStopHandlers() {
    if (!looked) {
        ignored[0] = ignoredAtStart(SIGINT);
        ignored[1] = ignoredAtStart(SIGTERM);
        looked = true;
    }
    if (!ignored[0]) handle(SIGINT, noteStop);
    if (!ignored[1]) handle(SIGTERM, noteStop);
    handle(SIGXFSZ, SIG_IGN);  // write() fails with EFBIG and the partial file is removed
    handle(SIGPIPE, SIG_IGN);  // An encoder that dies gives write() an error, not us a signal
}

int stopSignal() { return requestedStop; }

const char* stopMessage(int signal) { return signal == SIGINT ? "interrupted by SIGINT" : "interrupted by SIGTERM"; }

int stopStatus(int signal) { return 128 + signal; }
