// A few steps that a signal ending the run must not split: the signals that end a
// run (SIGINT, SIGTERM, SIGHUP) wait until the steps are done.
#pragma once

#include "support/non_copyable.h"

#include <csignal>

/// Holds back SIGINT, SIGTERM and SIGHUP for its lifetime; one that came meanwhile
/// is delivered when it ends.
class DeferredSignals : NonCopyable {
public:
  DeferredSignals();
  ~DeferredSignals();

private:
  sigset_t previous_;
  bool held_ = false;
};
