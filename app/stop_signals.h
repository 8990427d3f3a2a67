// SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGUSR1 as requests to stop: both front ends stop the search on them, so that it
// ends normally and writes its result.
#pragma once

namespace tessera {

// From now on SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGUSR1 call `handler`. A file being written when a signal comes is
// written all the same: interrupted calls are restarted.
void catch_stop_signals(void (*handler)(int));

// The same with a handler that only notes the signal, for a command whose search asks
// stop_requested() as its "go on?".
void catch_stop_signals();
bool stop_requested();
// The signal that asked to stop, 0 while none has.
int stop_signal();

}  // namespace tessera
