// Processor use of Delay: process CPU time (GetProcessTimes) over the wall time of a few seconds'
// wait, as a fraction of one core; beside it, the same wait done by polling the clock and the
// message queue without sleeping, for comparison. Under Wine the queue is polled through the
// Wine server, whose own processor time GetProcessTimes does not include.
//   bench_delay.exe [seconds]
#include <cstdio>
#include <cstdlib>

#include "platform/platform.h"
#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace {

double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto s = [](const FILETIME& f) {
    return static_cast<double>((static_cast<unsigned long long>(f.dwHighDateTime) << 32) |
                               f.dwLowDateTime) /
           1e7;
  };
  return s(kernel) + s(user);
}

double WallSeconds() {
  LARGE_INTEGER f, n;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&n);
  return static_cast<double>(n.QuadPart) / static_cast<double>(f.QuadPart);
}

int g_ticks = 0;
LRESULT CALLBACK Count(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m == WM_TIMER) {
    ++g_ticks;
    return 0;
  }
  return DefWindowProcA(h, m, w, l);
}

template <class F>
void Measure(const char* what, F wait) {
  g_ticks = 0;
  const double c0 = CpuSeconds(), w0 = WallSeconds();
  wait();
  double cpu = CpuSeconds() - c0;
  const double wall = WallSeconds() - w0;
  if (cpu < 0) cpu = 0;  // the two readings can differ by less than their resolution
  std::printf(
      "%-26s wall %.2f s, process cpu %.1f ms, %.2f%% of one core, %d timer ticks handled\n", what,
      wall, cpu * 1000, 100.0 * cpu / wall, g_ticks);
}

}  // namespace

int main(int argc, char** argv) {
  using namespace qc;
  const double seconds = argc > 1 ? std::atof(argv[1]) : 4;
  WNDCLASSA wc{};
  wc.lpfnWndProc = Count;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "QcBenchDelay";
  RegisterClassA(&wc);
  HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              wc.hInstance, nullptr);
  SetTimer(hwnd, 1, 100, nullptr);  // a window that keeps getting work, like the program's

  CWinAPI api;
  IRuntime& rt = DefaultPlatform().Runtime();
  Measure("Delay", [&] {
    Double howLong = seconds;
    api.Delay(howLong);
  });
  Measure("polling without sleeping", [&] {
    const int64_t target = rt.Now() + static_cast<int64_t>(seconds);
    while (target > rt.Now()) rt.DoEvents();
  });
  KillTimer(hwnd, 1);
  DestroyWindow(hwnd);
  return 0;
}
