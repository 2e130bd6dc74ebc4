// The progress bar's own record, for the colour setter.
#pragma once

#include <cstdint>

struct ProgressBarData {
  bool marquee = false;        // the indeterminate animation runs
  std::int64_t barColor = -1;  // -1 until set
  std::int64_t backColor = -1;
};
