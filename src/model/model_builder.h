// The building face of the coverage model: what the FDC loader adds to it.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>

#include "model/coverage_model.h"

class ModelBuilder {
public:
  explicit ModelBuilder(CoverageModel &model) : model_(model) {}

  const CoverageModel &model() const { return model_; }
  /// Appends one file at the end of the model's list.
  SourceFile &registerSourceFile(std::unique_ptr<SourceFile> file) {
    return model_.registerSourceFile(std::move(file));
  }
  /// The model's file with this key and checksum; clears the current service.
  SourceFile *findSourceFile(uint32_t fileKey, uint32_t checksum) {
    clearCurrentService();
    return model_.findSourceFile(fileKey, checksum);
  }
  /// Makes the named service current, creating it at the end of the file's
  /// services when absent.
  Service &selectService(SourceFile &file, NameEntry *name);
  /// The service selected last, or null.
  Service *currentService() const { return current_; }
  /// Forgets the current service (done at the start of every section body).
  void clearCurrentService();

private:
  /// Service lookup by name for the file whose services are being selected.
  struct ServiceNames {
    /// The file indexed, or null.
    const SourceFile *file = nullptr;
    /// How many of its services are indexed.
    std::size_t indexed = 0;
    /// Name -> first service with it.
    std::unordered_map<const NameEntry *, Service *> byName;
  };

  CoverageModel &model_;
  /// The current service, and its file.
  Service *current_ = nullptr;
  const SourceFile *currentFile_ = nullptr;
  ServiceNames names_;
};
