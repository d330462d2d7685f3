// The annotated listings of a run (-LISTING): for each selected source file, its
// source with line numbers, every line that carries items of the selected services
// marked, and after it one line per item that no selected test of the run hit.
#pragma once

#include <ctime>
#include <optional>
#include <string>

class CoverageModel;
struct RunSettings;
struct SourceFile;

/// The listing of a source file: `<source name>.lsc` in `folder` (the -LISTING
/// directory), or beside the source when none is given.
std::string listingPathOf(const SourceFile &file, const std::optional<std::string> &folder);

/// Writes the listing of every selected source file, in load order, into the
/// -LISTING directory or beside its source, dated `listingTime`. Called after the
/// report run, whose selection marks and cumulated hits it reads. A source that
/// cannot be read or a listing that cannot be written draws a warning and the
/// next file is taken.
void writeListings(const CoverageModel &model, const RunSettings &options,
                   const std::optional<std::string> &folder, std::time_t listingTime);
