// What relivox-batch says on standard error at the end of a run about its
// inputs: the counts, and each input that failed or was skipped with why.
#pragma once

#include <string>
#include <vector>

#include "app/face.h"

struct BatchTally {
  int loaded = 0;
  int duplicates = 0;
  int skipped = 0;
  int failed = 0;
};

BatchTally TallyLoads(const std::vector<LoadReport>& loads);

// The summary's lines, each ending with a line feed: one line of counts,
// then one per input that failed or was skipped. `windowRules` names the
// rule by which names were skipped.
std::string BatchSummary(const std::vector<LoadReport>& loads, bool windowRules);
