// The registry listing into list boxes over a key filled from the input with values of any type,
// length and name (a DWORD of two bytes, a text without its NUL, unknown types): one name row and
// one data row per value, nothing read out of bounds, and the key closed again.
#include "fuzz/fuzz_input.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  qc::test::FakePlatform p;
  auto& values = p.registry.Key(L"HKEY_CURRENT_USER\\Software\\QuorinFuzz");
  for (int i = in.Byte() % 12; i > 0 && in.pos < in.size; --i) {
    const uint32_t type = in.Byte() % 13;  // REG_NONE to REG_QWORD, and one unknown
    auto& value = values[in.Text()];       // a repeated name replaces the earlier value
    value = {type == 12 ? 0x7FFF : type, qc::test::Bytes(in.Byte() % 48)};
    for (uint8_t& b : value.data) b = in.Byte();
  }
  qc::String sub = L"Software\\QuorinFuzz";
  qc::Long home = static_cast<qc::Long>(qc::win::HKEY_CURRENT_USER), names = 101, datas = 102;
  qc::CWinAPI(p).RegEnumValues(sub, names, datas, home);  // raising nothing
  QC_FUZZ_CHECK(p.registry.OpenHandles() == 0);
  QC_FUZZ_CHECK(p.listBoxes[names].size() == values.size());
  QC_FUZZ_CHECK(p.listBoxes[datas].size() == values.size());
  return 0;
}
