// What the Win32 benchmarks share: wall and processor time of a run, and the median of
// several runs.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace quiro::bench {

struct Sample {
  double seconds, cpu;
};

inline double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](FILETIME f) { return double((uint64_t(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7; };
  return s(kernel) + s(user);
}

inline double Now() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return double(c.QuadPart) / double(f.QuadPart);
}

// The run with the median wall time.
inline Sample Median(std::vector<Sample> v) {
  std::sort(v.begin(), v.end(), [](const Sample& a, const Sample& b) { return a.seconds < b.seconds; });
  return v[v.size() / 2];
}

}  // namespace quiro::bench
