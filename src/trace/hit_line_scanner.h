// Hit lines taken straight from the read buffer. The bulk of a trace is plain hit
// lines ("TB 1a" and a line end); they are recognised, checked and decoded in one
// pass over the bytes, without cutting tokens. Every line that is not exactly of
// that form stops the scan and is left to the line-by-line reading, which applies
// the full token rules and gives the messages, so both read every line alike.
#pragma once

#include <cstddef>
#include <string_view>

#include "model/coverage_model.h"

/// What a scan took.
struct HitScan {
  /// Hits stored.
  std::size_t hits = 0;
  /// Bytes of the lines they came from.
  std::size_t bytes = 0;
};

/// Decodes the plain hit lines at the start of `bytes` into `out` (at most
/// `capacity`). A plain hit line is one of TP, TA, TB, TE, one space, an ID of 1
/// to 8 hexadecimal digits and LF; when `countOriented`, the ID may be followed by
/// one space and a count of 1 to 8 digits (an absent count counts 1; with
/// `countRequired` a line without count is not plain). The scan stops before the
/// first other line, and before a line that does not end within `bytes`; a NUL
/// byte must follow `bytes`.
HitScan scanHitLines(std::string_view bytes, bool countOriented, TraceHit *out,
                     std::size_t capacity, bool countRequired = false);
