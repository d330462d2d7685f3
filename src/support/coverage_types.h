// Coverage-type bits: what a file was instrumented for, what the options request
// and which lines a report shows.
#pragma once

#include <cstdint>

/// Coverage-type bits (requested types, instrumented types, kinds of hits).
enum CoverageTypeBits : uint16_t {
  CovFunctions = 0x0001,
  CovFunctionsExits = 0x0002,
  CovCalls = 0x0004,
  CovStatementBlocks = 0x0008,
  CovBlockCompanion = 0x0010,
  CovImplicitBlocks = 0x0020,
  CovLoops = 0x0040,
  CovAsyncBlocks = 0x0080,
  CovBasicConditions = 0x0100,
  CovModifiedConditions = 0x0200,
  CovCompoundConditions = 0x0400,
  CovForcedConditions = 0x0800,
  CovCw = 0x2000,
  CovConditionsInExpression = 0x4000,
  CovBf = 0x8000,
};
using CoverageTypes = uint16_t;
