// What the benchmark programs share: the median of their repeats, and the "figure" line that
// bench/run_bench.sh reads (name, value, baseline, their ratio).
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

namespace nimbrook::bench {

inline double Median(std::vector<double> v) {
  if (v.empty()) return 0.0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

inline void PrintFigure(const char* name, double value, double baseline) {
  std::printf("figure %s %.2f baseline %.2f %.2f\n", name, value, baseline, baseline > 0 ? value / baseline : 0.0);
}

}  // namespace nimbrook::bench
