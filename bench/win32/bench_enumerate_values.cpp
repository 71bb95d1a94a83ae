// Lists a key of 10,000 values into two list boxes through RegistryEnumerateValues and compares
// the time with a bare RegEnumValueA-and-LB_ADDSTRING loop over the same key, in the same run.
// Best of several interleaved rounds each; prints both times and their ratio.
// The class before <windows.h>: its macros (ExitWindows, PlaySound ...) would rename members.
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/win32/windows_include.h"
#include "winapi/cwinapi.h"

namespace {

constexpr int kValues = 10000;
constexpr int kRounds = 15;

double Seconds() {
  static LARGE_INTEGER frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return f;
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

HWND NewListBox() {
  return CreateWindowExA(0, "LISTBOX", "", WS_POPUP | LBS_HASSTRINGS, 0, 0, 200, 200, nullptr,
                         nullptr, GetModuleHandleA(nullptr), nullptr);
}

// A third each of texts, numbers and short binary data.
bool Fill(HKEY key) {
  for (int i = 0; i < kValues; ++i) {
    const std::string name = "value " + std::to_string(i);
    LONG r;
    if (i % 3 == 0) {
      const std::string text = "some text for value number " + std::to_string(i);
      r = RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>(text.size() + 1));
    } else if (i % 3 == 1) {
      const DWORD n = static_cast<DWORD>(i) * 2654435761u;
      r = RegSetValueExA(key, name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&n), 4);
    } else {
      const BYTE bytes[8] = {BYTE(i), 0x0A, 0xFF, 0x10, 0x00, BYTE(i >> 8), 0x7F, 0x80};
      r = RegSetValueExA(key, name.c_str(), 0, REG_BINARY, bytes, sizeof bytes);
    }
    if (r != ERROR_SUCCESS) return false;
  }
  return true;
}

// The baseline: enumerate and append the name and the raw data, nothing else.
void BareListing(const std::string& subKey, HWND names, HWND datas) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
  DWORD values = 0, maxName = 0, maxData = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values, &maxName,
                   &maxData, nullptr, nullptr);
  std::string name(maxName + 1, '\0');
  std::string data(maxData + 1, '\0');
  for (DWORD i = 0; i < values; ++i) {
    DWORD nameLen = maxName + 1, dataLen = maxData, type = 0;
    if (RegEnumValueA(key, i, name.data(), &nameLen, nullptr, &type,
                      reinterpret_cast<BYTE*>(data.data()), &dataLen) != ERROR_SUCCESS)
      break;
    data[dataLen] = '\0';
    SendMessageA(names, LB_ADDSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(name.c_str()));
    SendMessageA(datas, LB_ADDSTRING, static_cast<WPARAM>(-1),
                 reinterpret_cast<LPARAM>(data.c_str()));
  }
  RegCloseKey(key);
}

LRESULT Count(HWND box) {
  return SendMessageA(box, LB_GETCOUNT, 0, 0);
}

void Reset(HWND a, HWND b) {
  SendMessageA(a, LB_RESETCONTENT, 0, 0);
  SendMessageA(b, LB_RESETCONTENT, 0, 0);
}

}  // namespace

int main() {
  const std::string subKey = "Software\\QuorinCleanerTests\\bench_" +
                             std::to_string(GetCurrentProcessId()) + "_" +
                             std::to_string(GetTickCount());
  HKEY key = nullptr;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != ERROR_SUCCESS) {
    std::fprintf(stderr, "cannot create the scratch key\n");
    return 2;
  }
  const bool filled = Fill(key);
  RegCloseKey(key);

  HWND names = NewListBox(), datas = NewListBox();
  int rc = 0;
  if (!filled || !names || !datas) {
    std::fprintf(stderr, "set-up failed (values %d, list boxes %d)\n", filled, names && datas);
    rc = 2;
  } else {
    qc::CWinAPI api(qc::DefaultPlatform());  // named here: it links the real backend in
    qc::String sKey(subKey.begin(), subKey.end());
    qc::Long hNames = static_cast<qc::Long>(reinterpret_cast<intptr_t>(names));
    qc::Long hDatas = static_cast<qc::Long>(reinterpret_cast<intptr_t>(datas));
    qc::Long home = static_cast<qc::Long>(0x80000001u);

    // One untimed pass of each warms the registry and the list boxes.
    BareListing(subKey, names, datas);
    Reset(names, datas);
    api.RegistryEnumerateValues(sKey, hNames, hDatas, home);
    Reset(names, datas);

    double bestBare = 1e30, bestOurs = 1e30;
    for (int round = 0; round < kRounds && rc == 0; ++round) {
      double t = Seconds();
      BareListing(subKey, names, datas);
      bestBare = std::min(bestBare, Seconds() - t);
      if (Count(names) != kValues || Count(datas) != kValues) rc = 1;
      Reset(names, datas);

      t = Seconds();
      api.RegistryEnumerateValues(sKey, hNames, hDatas, home);
      bestOurs = std::min(bestOurs, Seconds() - t);
      if (Count(names) != kValues || Count(datas) != kValues) rc = 1;
      Reset(names, datas);
    }
    if (rc != 0) {
      std::fprintf(stderr, "a listing did not give %d rows\n", kValues);
    } else {
      std::printf("values: %d, rounds: %d (best of each)\n", kValues, kRounds);
      std::printf("bare RegEnumValueA + LB_ADDSTRING: %.1f ms\n", bestBare * 1000);
      std::printf("RegistryEnumerateValues:           %.1f ms\n", bestOurs * 1000);
      std::printf("ratio: %.2f\n", bestOurs / bestBare);
    }
  }
  if (names) DestroyWindow(names);
  if (datas) DestroyWindow(datas);
  RegDeleteKeyA(HKEY_CURRENT_USER, subKey.c_str());
  return rc;
}
