// A signal's action replaced for a scope and given back when the scope ends.
#pragma once

#include <csignal>

class ScopedSignalAction {
public:
  /// Gives `signal` the handler `handler` (or SIG_IGN) until the end of the scope.
  ScopedSignalAction(int signal, void (*handler)(int)) : signal_(signal) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    installed_ = sigaction(signal, &action, &previous_) == 0;
  }
  ~ScopedSignalAction() {
    if (installed_) sigaction(signal_, &previous_, nullptr);
  }
  ScopedSignalAction(const ScopedSignalAction &) = delete;
  ScopedSignalAction &operator=(const ScopedSignalAction &) = delete;

private:
  int signal_;
  struct sigaction previous_ {};
  bool installed_ = false;
};
