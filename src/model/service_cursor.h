// Where a branch lookup starts: the service of the branch found last in a file.
#pragma once

#include <cstdint>

#include "model/branch_index.h"
#include "model/coverage_records.h"

/// The service a lookup starts from, and the file it belongs to. Each reader of a
/// trace keeps its own: the reading pass, the path trace, the FDC loader.
class ServiceCursor {
public:
  /// The current service, or null.
  Service *current() const {
    if (service_ || !file_ || file_ != pendingFile_) return service_;
    return pendingFile_->branchIndex[pendingKind_ - 1].details[pendingId_].service;
  }
  /// Whether the current service belongs to `file`.
  bool isIn(const SourceFile &file) const { return file_ == &file; }
  /// Forgets the current service.
  void clear() {
    service_ = nullptr;
    file_ = nullptr;
    pendingFile_ = nullptr;
  }
  /// Makes `service` of `file` current.
  void set(const SourceFile &file, Service &service) {
    service_ = &service;
    file_ = &file;
    pendingFile_ = nullptr;
  }
  /// Makes the service of the dense slot of `hit` current; the service itself is
  /// looked up only when it is asked for.
  void setToSlot(const SourceFile &file, const TraceHit &hit) {
    service_ = nullptr;
    file_ = &file;
    pendingFile_ = &file;
    pendingKind_ = hit.kind;
    pendingId_ = hit.id;
  }

private:
  /// The current service; null with file_ equal to pendingFile_ when it is the
  /// one of the dense slot pendingKind_/pendingId_.
  Service *service_ = nullptr;
  /// File of the current service.
  const SourceFile *file_ = nullptr;
  /// File of the slot that names the current service, or null.
  const SourceFile *pendingFile_ = nullptr;
  /// Kind of that slot.
  uint8_t pendingKind_ = 0;
  /// ID of that slot.
  uint32_t pendingId_ = 0;
};
