// Branch lookups in one service and across the services of a file, and the
// per-kind index that makes them direct.
#pragma once

#include <cstdint>

#include "model/coverage_records.h"

class ServiceCursor;

/// The branch of a kind with an ID in one service, in the service's own order
/// (entry, then exits; calls; blocks; conditions).
BranchLookup findBranchInService(Service &service, int kind, uint32_t id);

/// The walk over a file's services: from `start` (the first one when null or not
/// a service of the file) to the last, then from the first up to `start`.
BranchLookup findBranchByWalk(SourceFile &file, const Service *start, int kind, uint32_t id);

/// Finds a branch from the cursor's service onwards, wrapping round; the service
/// found becomes the cursor's.
BranchLookup findBranch(ServiceCursor &cursor, SourceFile &file, int kind, uint32_t id);

/// Builds the branch index of a file whose services are complete.
void buildBranchIndex(SourceFile &file);

/// Whether some instrumentation ID of the file is held by branches of several
/// of its services (the current service then tells which one a hit is for).
bool hasSharedIds(const SourceFile &file);
