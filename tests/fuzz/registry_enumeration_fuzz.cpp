// The registry listings into list boxes on the test double, over a key filled from the input with
// values of any type, length and name (a DWORD of two bytes, a text without its NUL, unknown
// types), and sub-keys of any name: every value gives one name row and one data row, every
// sub-key at most one row, nothing is read out of bounds and every key opened is closed again.
#include <string>
#include <vector>

#include "fuzz/fuzz_input.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace {

using qc::fuzz::Fail;

const uint32_t kTypes[] = {qc::win::REG_NONE,        qc::win::REG_SZ,    qc::win::REG_EXPAND_SZ,
                           qc::win::REG_BINARY,      qc::win::REG_DWORD, qc::win::REG_MULTI_SZ,
                           5 /* big-endian DWORD */, 11 /* QWORD */,     0x7FFF};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in(data, size);
  qc::test::FakePlatform platform;
  const std::wstring keyPath = L"HKEY_CURRENT_USER\\Software\\QuorinFuzz";
  platform.registry.AddKey(keyPath);

  // Values and sub-keys, named from the input; a repeated name replaces the earlier value.
  std::vector<std::wstring> names;
  std::vector<std::wstring> subKeys;
  const int count = in.Byte() % 12;
  for (int i = 0; i < count && !in.Empty(); ++i) {
    const uint8_t kind = in.Byte();
    std::wstring name = in.Text();
    if (kind & 0x80) {
      if (name.empty() || name.find(L'\\') != std::wstring::npos) continue;
      platform.registry.AddKey(keyPath + L"\\" + name);
      subKeys.push_back(name);
      continue;
    }
    const size_t length = in.Byte() % 48;
    std::vector<uint8_t> bytes;
    for (size_t b = 0; b < length; ++b) bytes.push_back(in.Byte());
    platform.registry.SetValue(keyPath, name, kTypes[kind % (sizeof kTypes / sizeof *kTypes)],
                               bytes);
    names.push_back(name);
  }
  if (platform.registry.OpenHandles() != 0) Fail("set-up left a key open");

  qc::CWinAPI api(platform);
  qc::String sub = L"Software\\QuorinFuzz";
  qc::Long home = static_cast<qc::Long>(qc::win::HKEY_CURRENT_USER);
  qc::Long entries = 101;
  qc::Long values = 102;
  qc::Long keys = 103;
  try {
    api.RegEnumValues(sub, entries, values, home);
    (void)api.RegEnumKeys(sub, keys, home);
  } catch (const qc::RuntimeError&) {
    // A conversion of the data may raise; the key must still be closed (checked below).
  }
  if (platform.registry.OpenHandles() != 0) Fail("a listing left a key open");

  auto& boxes = platform.windows.listBoxes;
  const size_t nameRows = boxes[entries].size();
  if (nameRows != boxes[values].size()) Fail("name and data rows differ in number");
  // Names compare without case: count the distinct values the double holds.
  size_t distinct = 0;
  for (size_t i = 0; i < names.size(); ++i) {
    bool repeated = false;
    for (size_t j = i + 1; j < names.size() && !repeated; ++j)
      repeated = qc::test::CaseInsensitiveLess()(names[i], names[j]) == false &&
                 qc::test::CaseInsensitiveLess()(names[j], names[i]) == false;
    distinct += repeated ? 0 : 1;
  }
  if (nameRows != distinct) Fail("not one row per value");
  if (boxes[keys].size() > subKeys.size()) Fail("more key rows than sub-keys");
  return 0;
}
