#include "measures/deferred_signals.h"

#include <initializer_list>
#include <pthread.h>

DeferredSignals::DeferredSignals() {
  sigset_t ending;
  sigemptyset(&ending);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    sigaddset(&ending, signal);
  held_ = pthread_sigmask(SIG_BLOCK, &ending, &previous_) == 0;
}

DeferredSignals::~DeferredSignals() {
  if (held_) pthread_sigmask(SIG_SETMASK, &previous_, nullptr);
}
