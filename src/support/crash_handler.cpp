// Turns an access violation into the internal error "Please, contact your
// support" and a failed C++ allocation into the fatal "No memory left".
#include "support/emergency_texts.h"
#include "support/host_services.h"
#include "support/messages.h"
#include "support/unfinished_files.h"

#include <csignal>
#include <new>
#include <unistd.h>

namespace {

/// Alternate stack, so that a stack overflow still reaches the handler.
constexpr std::size_t kAlternateStackSize = 64 * 1024;
alignas(16) char alternateStack[kAlternateStackSize];

/// Set while the "No memory left" message is being produced.
volatile std::sig_atomic_t noMemoryReported = 0;

extern "C" void onAccessViolation(int) {
  // Only async-signal-safe calls here: the text was framed in advance, and the
  // process state is not trusted enough to flush or run exit handlers.
  const EmergencyTexts texts = emergencyTexts();
  writeRawToStderr(texts.crash, texts.crashLength);
  removeUnfinished();
  _exit(kExitInternal);
}

void onNewFailure() {
  reportNoMemory();
}

} // namespace

void reportNoMemory() {
  if (noMemoryReported) {
    const EmergencyTexts texts = emergencyTexts();
    writeRawToStderr(texts.noMemory, texts.noMemoryLength);
    _exit(kExitFatal);
  }
  noMemoryReported = 1;
  reportFatal(tr("Fatal Error", "No memory left", "program failed on memory allocation"));
}

void installCrashHandler() {
  stack_t stack{};
  stack.ss_sp = alternateStack;
  stack.ss_size = kAlternateStackSize;
  sigaltstack(&stack, nullptr);

  struct sigaction action {};
  action.sa_handler = onAccessViolation;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_ONSTACK | SA_RESETHAND;
  sigaction(SIGSEGV, &action, nullptr);
  sigaction(SIGBUS, &action, nullptr);

  std::set_new_handler(onNewFailure);
}
