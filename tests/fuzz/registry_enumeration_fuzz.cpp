// The registry listing into list boxes over a key filled from the input with values of any type,
// length and name (a DWORD of two bytes, a text without its NUL, unknown types): one name row and
// one data row per value, nothing read out of bounds, and the key closed again.
#include <set>

#include "fuzz/fuzz_input.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in{data, size};
  qc::test::FakePlatform p;
  const std::wstring key = L"HKEY_CURRENT_USER\\Software\\QuorinFuzz";
  std::set<std::wstring, qc::test::CaseInsensitiveLess> values;
  for (int i = in.Byte() % 12; i > 0 && in.pos < in.size; --i) {
    const uint32_t type = in.Byte() % 13;  // REG_NONE to REG_QWORD, and one unknown
    const std::wstring name = in.Text();
    qc::test::Bytes bytes(in.Byte() % 48);
    for (uint8_t& b : bytes) b = in.Byte();
    p.registry.SetValue(key, name, type == 12 ? 0x7FFF : type, bytes);
    values.insert(name);  // a repeated name replaces the earlier value
  }
  qc::CWinAPI api(p);
  qc::String sub = L"Software\\QuorinFuzz";
  qc::Long home = static_cast<qc::Long>(qc::win::HKEY_CURRENT_USER), names = 101, datas = 102;
  try {
    api.RegEnumValues(sub, names, datas, home);
  } catch (const qc::RuntimeError&) {
    // A conversion of the data may raise; the key must still be closed.
  }
  QC_FUZZ_CHECK(p.registry.OpenHandles() == 0);
  auto& rows = p.windows.listBoxes;
  QC_FUZZ_CHECK(rows[names].size() == values.size() && rows[datas].size() == values.size());
  return 0;
}
