// Counting a hit into a branch and the counters of its service.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"

/// Counts a hit on a branch or item of a service (first-hit rules, saturating add).
void MarkBranchHit(Service &service, HitState &item, uint16_t type, uint32_t count, bool add);
