// AdvancedRegistryFunctions with any path, value name and data, and any failure code injected into
// the registry: every key it opens is closed again, the answers are of the documented kinds, only
// overflow (a text outside the code page) may be raised, and every error box has a text.
#include <functional>

#include "fuzz/fuzz_input.h"
#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in{data, size};
  qc::test::FakePlatform p;
  p.registry.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run",
                       L"SVCHOST", "c:\\windows\\svchost.exe");
  p.registry.SetValue(L"HKEY_CURRENT_USER\\Software\\Q", L"n", 4, {7, 0, 0, 0});
  const char* calls[] = {"RegOpenKeyEx",   "RegQueryValueEx", "RegSetValueEx",
                         "RegDeleteValue", "RegDeleteKey",    "RegCreateKey"};
  const wchar_t* roots[] = {L"HKEY_LOCAL_MACHINE\\", L"HKEY_CURRENT_USER\\", L"HKEY_USERS\\",
                            L"HKEY_CLASSES_ROOT\\", L""};
  const uint8_t op = in.Byte() % 11, flags = in.Byte();
  const int32_t code = in.Raw<int32_t>();
  if (flags & 1) p.registry.InjectFailure(calls[(flags >> 1) % 6], code, flags & 0x80 ? -1 : 1);
  const std::wstring path = roots[(flags >> 4) % 5] + in.Text(), name = in.Text(), text = in.Text();

  qc::AdvancedRegistryFunctions reg(p);
  const bool quiet = flags & 0x40;
  if (quiet) reg.SetDisplayErrorMsg(qc::Variant::Boolean(false));
  const std::function<qc::Variant()> members[] = {
      [&] { return reg.KeyExist(path); },
      [&] { return reg.KeyValueExist(path, name); },
      [&] { return reg.CreateKey(path); },
      [&] { return reg.DeleteKey(path); },
      [&] { return reg.DeleteKeyValue(path, name); },
      [&] { return reg.SetStringValue(path, name, text); },
      [&] { return reg.SetDWordValue(path, name, code); },
      [&] { return reg.SetBinaryValue(path, name, text); },
      [&] { return reg.GetStringValue(path, name); },
      [&] { return reg.GetDWordValue(path, name); },
      [&] { return reg.GetBinaryValue(path, name); }};
  try {
    const qc::Variant r = members[op]();
    // The existence tests may answer Empty (a malformed path); the changes answer True or False.
    QC_FUZZ_CHECK(r.type() == qc::VarType::Boolean || (op <= 1 && r.IsEmpty()) || op >= 8);
  } catch (const qc::RuntimeError& e) {
    QC_FUZZ_CHECK(e.number() == qc::kErrOverflow);
  }
  QC_FUZZ_CHECK(p.registry.OpenHandles() == 0);
  for (const qc::test::MessageBoxCall& box : p.runtime.boxes) {
    QC_FUZZ_CHECK(!box.prompt.empty());
    // With the display off only the caller's own mistake, a malformed path, is still shown.
    QC_FUZZ_CHECK(!quiet || box.prompt.rfind(L"Incorrect Format", 0) == 0);
  }
  return 0;
}
