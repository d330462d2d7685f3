// Branch lookups in one service and across the services of a file.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"

/// The FindBranchInService lookup: the branch of a kind with an ID in one
/// service, in the service's own order (entry, then exits; calls; blocks; conditions).
BranchLookup FindBranchInService(Service &service, int kind, uint32_t id);

/// The FindBranch walk itself: the services from `start` (the first one when null
/// or not a service of the file) to the last, then from the first up to `start`.
BranchLookup FindBranchByWalk(SourceFile &file, const Service *start, int kind, uint32_t id);
