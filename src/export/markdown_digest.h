// The Markdown summary (-DIGEST): a table of the run's rates per coverage type,
// the thresholds of the gate, the changed lines of -CHANGES, and the ten files with the most unhit
// items; short enough for a CI job summary or a merge-request note.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

struct ExportRun;
struct GateResult;

/// Files listed at most.
constexpr std::size_t kDigestFiles = 10;
/// Changed lines of -CHANGES listed at most.
constexpr std::size_t kDigestChangedLines = 100;
/// Characters of a file name shown at most; longer names are cut.
constexpr int kDigestNameLength = 200;

void writeMarkdownDigest(std::FILE *out, const ExportRun &run, const std::vector<GateResult> &gate);

/// A text shown as itself in a Markdown table cell: valid UTF-8, no control
/// characters, every character that Markdown (with tables, math and HTML) would
/// read as markup escaped, and cut to `maxLength` characters.
std::string markdownText(std::string_view bytes, int maxLength = kDigestNameLength);
