#include "app/stop_signals.h"

#include <csignal>
#include <initializer_list>

namespace tessera {

void catch_stop_signals(void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    // A closed terminal (SIGHUP) stops the search like Ctrl-C, so that it still writes its result;
    // so do Ctrl-\ (SIGQUIT) and SIGUSR1, which batch systems send ahead of a job's end.
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1}) sigaction(signal, &action, nullptr);
}

namespace {

volatile std::sig_atomic_t g_stop_signal = 0;

extern "C" void note_stop_signal(int signal) { g_stop_signal = signal; }

}  // namespace

void catch_stop_signals() { catch_stop_signals(note_stop_signal); }

bool stop_requested() { return g_stop_signal != 0; }

int stop_signal() { return g_stop_signal; }

}  // namespace tessera
