#include "support/unfinished_files.h"

#include <atomic>
#include <csignal>
#include <cstring>
#include <memory>
#include <pthread.h>
#include <unistd.h>

/// One slot of the list. Slots are never freed: a forgotten slot is reused by a
/// later file, so the list is as long as the most files ever unfinished at once.
class UnfinishedEntry {
public:
  /// The path, or null while the slot is free. Published after it is written.
  std::atomic<char *> path{nullptr};
  std::atomic<UnfinishedKind> kind{UnfinishedKind::File};
  /// Taken by a writer (the path is being set up or is set).
  std::atomic<bool> taken{false};
  UnfinishedEntry *next = nullptr;
};

namespace {

std::atomic<UnfinishedEntry *> head{nullptr};
/// How many slots are free: while none is, a new path takes a new slot at once
/// instead of walking the list (a site of many pages keeps them all taken).
std::atomic<long> freeSlots{0};

void removeKind(UnfinishedKind kind) {
  for (UnfinishedEntry *entry = head.load(std::memory_order_acquire); entry; entry = entry->next) {
    const char *path = entry->path.load(std::memory_order_acquire);
    if (!path || entry->kind.load(std::memory_order_acquire) != kind) continue;
    if (kind == UnfinishedKind::File)
      ::unlink(path);
    else
      ::rmdir(path);
  }
}

extern "C" void onEndingSignal(int signal) {
  removeUnfinished();
  // Ends by the same signal, so that the caller sees how the run ended: the
  // default action is restored and the signal, raised again, is delivered when
  // this handler returns.
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  ::raise(signal);
}

} // namespace

UnfinishedEntry *listUnfinished(const char *path, UnfinishedKind kind) {
  const std::size_t size = std::strlen(path) + 1;
  char *copy = new char[size];
  std::memcpy(copy, path, size);
  UnfinishedEntry *entry = nullptr;
  if (freeSlots.load(std::memory_order_acquire) > 0)
    for (entry = head.load(std::memory_order_acquire); entry; entry = entry->next) {
      bool expected = false;
      if (entry->taken.compare_exchange_strong(expected, true)) {
        freeSlots.fetch_sub(1, std::memory_order_acq_rel);
        break;
      }
    }
  if (!entry) {
    entry = new UnfinishedEntry;
    entry->taken.store(true);
    entry->next = head.load(std::memory_order_acquire);
    while (!head.compare_exchange_weak(entry->next, entry, std::memory_order_acq_rel)) {
    }
  }
  entry->kind.store(kind, std::memory_order_release);
  entry->path.store(copy, std::memory_order_release);
  return entry;
}

void forgetUnfinished(UnfinishedEntry *entry) {
  if (!entry) return;
  // Taken out before it is freed: a handler that interrupts this sees no path.
  // Handlers run on the main thread only (other threads block the signals).
  delete[] entry->path.exchange(nullptr, std::memory_order_acq_rel);
  entry->taken.store(false, std::memory_order_release);
  freeSlots.fetch_add(1, std::memory_order_acq_rel);
}

void removeUnfinished() {
  removeKind(UnfinishedKind::File);
  removeKind(UnfinishedKind::Folder);
}

void blockEndingSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  for (int signal : {SIGTERM, SIGHUP, SIGINT})
    sigaddset(&signals, signal);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

void installInterruptCleanup() {
  struct sigaction action {};
  action.sa_handler = onEndingSignal;
  sigemptyset(&action.sa_mask);
  // Each ending signal waits while another one's handler runs.
  sigaddset(&action.sa_mask, SIGTERM);
  sigaddset(&action.sa_mask, SIGHUP);
  sigaddset(&action.sa_mask, SIGINT);
  for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
    struct sigaction previous {};
    // A signal the caller chose to ignore (nohup, a shell's background job) stays
    // ignored.
    if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) continue;
    sigaction(signal, &action, nullptr);
  }
}
