// What the monitor costs: one tick of the real window against the bare calls it cannot do
// without (the per-machine Run value queried in each registry view the tick looks at, and the
// user name), measured side by side in one process; then the CPU the running program uses while
// it sits idle, from the process times of a copy started beside this one.
// Usage: bench_monitor_tick.exe [ticks per block] [pairs of blocks] [idle seconds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/form1.h"
#include "paired_blocks.h"
#include "platform/win32/win32_platform.h"
#include "platform/win32/windows_include.h"

namespace {

constexpr char kRunKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kCaption[] = L"Quorin Virus Cleaner";

bool IsWow64() {
  using Fn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const Fn fn = reinterpret_cast<Fn>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
  BOOL wow64 = FALSE;
  return fn && fn(GetCurrentProcess(), &wow64) && wow64;
}

double ProcessCpuSeconds(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return -1;
  auto value = [](const FILETIME& t) {
    return static_cast<double>((static_cast<ULONGLONG>(t.dwHighDateTime) << 32) | t.dwLowDateTime);
  };
  return (value(kernel) + value(user)) / 1e7;
}

constexpr double kNotAvailable = -2;

// Starts the program beside this executable, lets it settle, and measures its CPU time over
// `seconds` of idling. Returns the share of one core in percent, kNotAvailable, or -1 on failure.
double IdleCpuPercent(int seconds) {
  wchar_t self[MAX_PATH];
  const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring dir(self, n);
  dir.resize(dir.find_last_of(L"\\/") + 1);
  std::wstring commandLine = L"\"" + dir + L"Quorin Cleaner.exe\"";
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                      &si, &pi)) {
    std::fprintf(stderr, "cannot start the program (error %lu)\n", GetLastError());
    return -1;
  }
  CloseHandle(pi.hThread);
  HWND window = nullptr;
  for (int i = 0; i < 300 && !window; ++i) {
    Sleep(100);
    window = FindWindowW(nullptr, kCaption);
  }
  double percent = kNotAvailable;
  if (window) {
    Sleep(2000);  // past start-up and the first ticks
    const double before = ProcessCpuSeconds(pi.hProcess);
    LARGE_INTEGER t0;
    LARGE_INTEGER t1;
    QueryPerformanceCounter(&t0);
    Sleep(static_cast<DWORD>(seconds) * 1000);
    QueryPerformanceCounter(&t1);
    const double after = ProcessCpuSeconds(pi.hProcess);
    if (before < 0 || after <= before) {
      // A timer that ticks for seconds costs something: no figure, or one that never moves,
      // means the times of another process are not followed here (so under Wine).
      std::printf(
          "GetProcessTimes does not follow another process here (%.3f s before, %.3f s "
          "after); under Wine bench/monitor_idle_cpu.sh reads the figure from /proc\n",
          before, after);
    } else {
      percent = 100.0 * (after - before) / bench::Seconds(t0, t1);
      std::printf("program CPU over %.1f s idle: %.3f s\n", bench::Seconds(t0, t1), after - before);
    }
    PostMessageW(window, WM_CLOSE, 0, 0);
  } else {
    std::fprintf(stderr, "the program's window did not appear\n");
    percent = -1;
  }
  if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  CloseHandle(pi.hProcess);
  return percent;
}

}  // namespace

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 100;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 51;
  const int idleSeconds = argc > 3 ? std::atoi(argv[3]) : 30;
  if (iterations <= 0 || rounds <= 0 || idleSeconds < 0) {
    std::fprintf(stderr, "usage: %s [ticks per block] [pairs of blocks] [idle seconds]\n", argv[0]);
    return 2;
  }

  // The real window, so that the tick's label updates reach real controls.
  qc::Platform& platform = qc::win32::TheWin32Platform();
  qc::Form1 form(platform);
  form.Show();

  const bool wow64 = IsWow64();
  std::vector<REGSAM> views = {KEY_READ};
  if (wow64) views.push_back(KEY_READ | KEY_WOW64_64KEY);
  long failures = 0;  // also keeps the bare loop from being optimised away
  const auto bare = [&] {
    for (REGSAM sam : views) {
      HKEY h = nullptr;
      if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kRunKey, 0, sam, &h) != ERROR_SUCCESS) {
        ++failures;
        continue;
      }
      DWORD type = 0;
      DWORD size = 0;
      RegQueryValueExA(h, "SVCHOST", nullptr, &type, nullptr, &size);
      RegCloseKey(h);
    }
    char name[255];
    DWORD size = sizeof name;
    if (!GetUserNameA(name, &size)) ++failures;
  };
  const auto tick = [&] { form.Timer1_Timer(); };

  bare();
  tick();  // creates the instances; warms both paths
  const bench::PairedResult r = bench::PairedBlocks(rounds, iterations, bare, tick);
  if (failures != 0) {
    std::fprintf(stderr, "%ld bare calls failed\n", failures);
    return 1;
  }
  std::printf("%d pairs of %d ticks each; registry views queried per tick: %zu\n", rounds,
              iterations, views.size());
  std::printf("bare Run-key queries + GetUserNameA: %.2f us\n", r.bestBaseline * 1e6);
  std::printf("Timer1_Timer (labels included):      %.2f us\n", r.bestMeasured * 1e6);
  std::printf("ratio tick / bare (median of pairs): %.3f\n", r.medianRatio);

  if (idleSeconds > 0) {
    const double percent = IdleCpuPercent(idleSeconds);
    if (percent == kNotAvailable) return 0;
    if (percent < 0) return 1;
    std::printf("idle CPU of the running program: %.3f %% of one core\n", percent);
  }
  return 0;
}
