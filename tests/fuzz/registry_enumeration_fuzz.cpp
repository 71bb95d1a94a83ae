// The registry listings into list boxes over a key filled from the input with values of any type,
// length and name (a DWORD of two bytes, a text without its NUL, unknown types) and sub-keys of any
// name: one name row and one data row per value, at most one row per sub-key, nothing read out of
// bounds, and every key opened closed again.
#include <set>

#include "fuzz/fuzz_input.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in{data, size};
  qc::test::FakePlatform platform;
  const std::wstring key = L"HKEY_CURRENT_USER\\Software\\QuorinFuzz";
  platform.registry.AddKey(key);
  const uint32_t types[] = {qc::win::REG_NONE,        qc::win::REG_SZ,    qc::win::REG_EXPAND_SZ,
                            qc::win::REG_BINARY,      qc::win::REG_DWORD, qc::win::REG_MULTI_SZ,
                            5 /* big-endian DWORD */, 11 /* QWORD */,     0x7FFF};
  std::set<std::wstring, qc::test::CaseInsensitiveLess> values, subKeys;
  for (int i = in.Byte() % 12; i > 0 && in.pos < in.size; --i) {
    const uint8_t kind = in.Byte();
    const std::wstring name = in.Text();
    if (kind & 0x80) {
      if (name.empty() || name.find(L'\\') != std::wstring::npos) continue;
      platform.registry.AddKey(key + L"\\" + name);
      subKeys.insert(name);
      continue;
    }
    std::vector<uint8_t> bytes(in.Byte() % 48);
    for (uint8_t& b : bytes) b = in.Byte();
    platform.registry.SetValue(key, name, types[kind % 9], bytes);
    values.insert(name);  // a repeated name replaces the earlier value
  }

  qc::CWinAPI api(platform);
  qc::String sub = L"Software\\QuorinFuzz";
  qc::Long home = static_cast<qc::Long>(qc::win::HKEY_CURRENT_USER), names = 101, datas = 102,
           keys = 103;
  try {
    api.RegEnumValues(sub, names, datas, home);
    (void)api.RegEnumKeys(sub, keys, home);
  } catch (const qc::RuntimeError&) {
    // A conversion of the data may raise; the key must still be closed.
  }
  QC_FUZZ_CHECK(platform.registry.OpenHandles() == 0);
  auto& rows = platform.windows.listBoxes;
  QC_FUZZ_CHECK(rows[names].size() == values.size() && rows[datas].size() == values.size());
  QC_FUZZ_CHECK(rows[keys].size() <= subKeys.size());
  return 0;
}
