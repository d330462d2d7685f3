// Modified conditions: for each basic condition of a composition, the pairs of
// cases that differ in that condition alone and give different outcomes, and the
// label that lists them.
#include "model/modified_conditions.h"

#include "support/messages.h"

namespace {

/// Records that the vectors with IDs p and q show the independence of condition i.
/// Beyond kMaxPairsPerCondition pairs the label ends with ", ..." and no more are
/// kept: false then, so that the search for this condition stops.
bool AddVectorPair(const Service &service, const ConditionIdIndex &ids, ModifiedCondition *item,
                   int i, uint32_t p, uint32_t q) {
  if (!item) reportInternal(tr("fdcL-Assertion", "Cannot add a couple of vectors"));
  if (item->pairs.size() >= kMaxPairsPerCondition) {
    item->label += ", ...";
    return false;
  }
  const VectorPair pair{FindConditionEntry(service, ids, p), FindConditionEntry(service, ids, q)};
  if (item->pairs.empty()) {
    item->label.clear();
    item->label.push_back('#');
    item->label += std::to_string(i + 1);
    item->label += ' ';
  } else {
    item->label += ", ";
  }
  item->label += '(';
  item->label += *service.conditions[pair.first].text;
  item->label += '/';
  item->label += *service.conditions[pair.second].text;
  item->label += ')';
  item->pairs.push_back(pair);
  return true;
}

} // namespace

uint32_t FindConditionEntry(const Service &service, const ConditionIdIndex &ids, uint32_t id) {
  const int64_t index = ids.find(id);
  if (index < 0 || static_cast<std::size_t>(index) >= service.conditions.size())
    reportInternal(tr("fdcL-Assertion", "Cannot find condition in current procedure"));
  return static_cast<uint32_t>(index);
}

void ComputeModifiedConditions(Service &service, const ConditionIdIndex &ids,
                               Composition *composition) {
  if (!composition)
    reportInternal(
        tr("fdcL-Assertion", "Cannot calculate modified conditions without composition"));
  Composition &c = *composition;
  const int n = c.conditionCount;
  const uint32_t m = c.caseCount;
  c.items.clear();
  if (m > 1000)
    reportInfo(tr("fdcL-Info",
                  "Computing modified conditions from %1compound conditions, it can take a few "
                  "minutes ...",
                  "%1 is a number")
                   .arg(QString::number(m)));
  const uint32_t b = service.conditions[c.firstVector].branch.id;

  c.items.resize(static_cast<std::size_t>(n));
  // Characters of rows compared for the whole composition.
  uint64_t work = 0;
  for (int i = n - 1; i >= 0; --i) {
    ModifiedCondition &item = c.items[i];
    item.condition = FindConditionEntry(service, ids, c.conditionIds[i]);
    if (c.frontier == 0xFFFFFFFF) {
      // Expression form: m = 2^n cases, case u holds the condition values in its bits.
      const uint32_t bit = uint32_t{1} << i;
      for (uint32_t u = 0; u < m; ++u)
        if (!(u & bit) && c.outcomes[u] != c.outcomes[u | bit])
          if (!AddVectorPair(service, ids, &item, i, b + u, b + (u | bit))) break;
    } else {
      // Cases form: every True row against every False row, within a bound of the
      // rows compared, so that a long record costs no more than a bounded time.
      const char *rows = c.caseText.data();
      bool stopped = false;
      for (uint32_t u = 0; u < c.frontier && !stopped; ++u) {
        const char *rowU = rows + static_cast<std::size_t>(u) * n;
        if (rowU[i] == 'X') continue;
        for (uint32_t v = c.frontier; v < m; ++v) {
          work += static_cast<uint64_t>(n);
          if (work > kMaxRowWork) {
            if (item.pairs.empty())
              item.label = "#" + std::to_string(i + 1) + " ...";
            else
              item.label += ", ...";
            stopped = true;
            break;
          }
          if (IsIndependencePair(rowU, rows + static_cast<std::size_t>(v) * n, i, n) &&
              !AddVectorPair(service, ids, &item, i, b + u, b + v)) {
            stopped = true;
            break;
          }
        }
      }
    }
  }
}
