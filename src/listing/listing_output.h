// The annotated listings (-LISTING) as an output of the run: written once the
// text report is closed.
#pragma once

#include <ctime>
#include <optional>
#include <string>

#include "report/run_output.h"

class CoverageModel;
struct RunSettings;

class ListingOutput : public RunOutput {
public:
  ListingOutput(const CoverageModel &model, const RunSettings &options,
                std::optional<std::string> folder, std::time_t runTime)
      : model_(model), options_(options), folder_(std::move(folder)), runTime_(runTime) {}

  /// The listing path of every loaded source file (a listing may be appended to
  /// by another of the same name).
  void declarePaths(std::vector<NamedOutput> &paths) const override;
  void reportClosed() override;

private:
  const CoverageModel &model_;
  const RunSettings &options_;
  std::optional<std::string> folder_;
  std::time_t runTime_;
};
