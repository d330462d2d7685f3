// The list of source files, their identities and the numbering of services.
#include "model/coverage_model.h"

#include "support/messages.h"

namespace {

uint64_t identityKey(uint32_t fileKey, uint32_t checksum) {
  return (static_cast<uint64_t>(fileKey) << 32) | checksum;
}

} // namespace

uint32_t &SourceFile::branchCount(int kind) {
  switch (kind) {
  case KindProcPoint:
    return procedureBranchCount;
  case KindCall:
    return callBranchCount;
  case KindBlock:
    return blockBranchCount;
  case KindCondition:
    return conditionBranchCount;
  default:
    reportInternal(
        tr("fdcL-Assertion", "Bad kind of branch %1", "%1 is a number").arg(QString::number(kind)));
  }
}

CoverageModel::CoverageModel() = default;

CoverageModel::~CoverageModel() = default;

SourceFile &CoverageModel::registerSourceFile(std::unique_ptr<SourceFile> file) {
  SourceFile &added = *file;
  added.ordinal = static_cast<uint32_t>(files_.size());
  for (auto &service : added.services)
    service->index = serviceCount_++;
  files_.push_back(std::move(file));
  byKeyAndChecksum_.try_emplace(identityKey(added.fileKey, added.checksum), &added);
  if (!added.placeholder) {
    auto [known, inserted] = sectionKeys_.try_emplace(added.fileKey, KeyChecksums{added.checksum});
    if (!inserted && known->second.first != added.checksum) known->second.several = true;
  }
  return added;
}

Service &CoverageModel::addService(SourceFile &file, NameEntry *name) {
  auto created = std::make_unique<Service>();
  created->name = name;
  created->ordinal = static_cast<uint32_t>(file.services.size());
  if (file.ordinal < files_.size() && files_[file.ordinal].get() == &file)
    created->index = serviceCount_++;
  Service &added = *created;
  file.services.push_back(std::move(created));
  return added;
}

SourceFile *CoverageModel::findSourceFile(uint32_t fileKey, uint32_t checksum,
                                          bool *otherVersion) const {
  if (otherVersion) {
    auto known = sectionKeys_.find(fileKey);
    *otherVersion =
        known != sectionKeys_.end() && (known->second.several || known->second.first != checksum);
  }
  auto found = byKeyAndChecksum_.find(identityKey(fileKey, checksum));
  return found == byKeyAndChecksum_.end() ? nullptr : found->second;
}

CoverageTypes CoverageModel::unionOfInstrumentedTypes() const {
  CoverageTypes types = 0;
  for (const auto &file : files_)
    types |= file->instrumentedTypes;
  return types;
}

void CoverageModel::freeSourceFiles() {
  serviceCount_ = 0;
  byKeyAndChecksum_.clear();
  sectionKeys_.clear();
  files_.clear();
}
