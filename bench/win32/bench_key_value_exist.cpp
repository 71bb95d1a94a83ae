// Cost of KeyValueExist against the bare open-query-close sequence it wraps, in one process.
// Usage: bench_key_value_exist.exe [calls per block] [pairs of blocks]
// Prints the per-call times of the best block of each and the median ratio of adjacent blocks.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "paired_blocks.h"
#include "platform/win32/win32_platform.h"
#include "registry/advanced_registry_functions.h"

int main(int argc, char** argv) {
  const int iterations = argc > 1 ? std::atoi(argv[1]) : 200;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 101;
  if (iterations <= 0 || rounds <= 0) {
    std::fprintf(stderr, "usage: %s [iterations] [rounds]\n", argv[0]);
    return 2;
  }

  const std::string subKey =
      "Software\\QuorinCleanerTests\\bench" + std::to_string(GetCurrentProcessId());
  HKEY key = nullptr;
  if (RegCreateKeyA(HKEY_CURRENT_USER, subKey.c_str(), &key) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create the scratch key\n");
    return 1;
  }
  RegSetValueExA(key, "SVCHOST", 0, REG_SZ, reinterpret_cast<const BYTE*>("c:\\x.exe"), 9);
  RegCloseKey(key);

  const std::wstring path = L"HKEY_CURRENT_USER\\" + std::wstring(subKey.begin(), subKey.end());
  qc::AdvancedRegistryFunctions reg(qc::win32::TheWin32Platform());
  long misses = 0;  // every call must find the value; also keeps the loops from vanishing

  const auto bare = [&] {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) {
      ++misses;
      return;
    }
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(h, "SVCHOST", nullptr, &type, nullptr, &size) != ERROR_SUCCESS) ++misses;
    RegCloseKey(h);
  };
  const auto wrapped = [&] {
    if (!qc::CBool(reg.KeyValueExist(path, L"SVCHOST"))) ++misses;
  };

  bare();  // warm both paths before measuring
  wrapped();
  const bench::PairedResult r = bench::PairedBlocks(rounds, iterations, bare, wrapped);
  RegDeleteKeyA(HKEY_CURRENT_USER, subKey.c_str());

  if (misses != 0) {
    std::fprintf(stderr, "%ld calls did not find the value\n", misses);
    return 1;
  }
  std::printf("%d pairs of %d calls each\n", rounds, iterations);
  std::printf("bare RegOpenKeyExA+RegQueryValueExA+RegCloseKey: %.2f us/call\n",
              r.bestBaseline * 1e6);
  std::printf("KeyValueExist:                                   %.2f us/call\n",
              r.bestMeasured * 1e6);
  std::printf("ratio KeyValueExist / bare (median of pairs): %.3f\n", r.medianRatio);
  return 0;
}
