// Timing shared by the benchmarks: short blocks of a baseline and of the code under test run
// side by side in time, alternating which goes first, so that load from other processes falls
// on both alike. The median of the per-pair ratios is the result; the best blocks give times.
#pragma once
#include <algorithm>
#include <vector>

#include "platform/win32/windows_include.h"

namespace bench {

inline double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

template <class F>
double SecondsPerCall(int iterations, F&& body) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < iterations; ++i) body();
  QueryPerformanceCounter(&end);
  return Seconds(start, end) / iterations;
}

struct PairedResult {
  double bestBaseline = 1e9;  // seconds per call
  double bestMeasured = 1e9;
  double medianRatio = 0;  // measured / baseline
};

template <class Baseline, class Measured>
PairedResult PairedBlocks(int rounds, int iterations, Baseline&& baseline, Measured&& measured) {
  PairedResult r;
  std::vector<double> ratios;
  for (int i = 0; i < rounds; ++i) {
    double b = 0, m = 0;
    if (i % 2 == 0) {
      b = SecondsPerCall(iterations, baseline);
      m = SecondsPerCall(iterations, measured);
    } else {
      m = SecondsPerCall(iterations, measured);
      b = SecondsPerCall(iterations, baseline);
    }
    r.bestBaseline = std::min(r.bestBaseline, b);
    r.bestMeasured = std::min(r.bestMeasured, m);
    ratios.push_back(m / b);
  }
  std::sort(ratios.begin(), ratios.end());
  if (!ratios.empty()) r.medianRatio = ratios[ratios.size() / 2];
  return r;
}

}  // namespace bench
