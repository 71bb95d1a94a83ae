// AdvancedRegistryFunctions with any path, value name and data, and any failure code injected into
// the registry: every key it opens is closed again, the answers are of the documented kinds, only
// overflow (a text outside the code page) may be raised, and every error box has a text.

#include "fuzz/fuzz_input.h"
#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput in{data, size};
  qc::test::FakePlatform p;
  p.registry.Key(L"HKEY_CURRENT_USER\\Software\\Q")[L"n"] = {4, {7, 0, 0, 0}};
  const char* calls[] = {"RegOpenKeyEx",   "RegQueryValueEx", "RegSetValueEx",
                         "RegDeleteValue", "RegDeleteKey",    "RegCreateKey"};
  const wchar_t* roots[] = {L"HKEY_LOCAL_MACHINE\\", L"HKEY_CURRENT_USER\\", L""};
  const uint8_t op = in.Byte() % 11, flags = in.Byte();
  const int32_t code = in.Raw<int32_t>();
  if (flags & 1) p.registry.InjectFailure(calls[(flags >> 1) % 6], code, flags & 0x80 ? -1 : 1);
  const std::wstring path = roots[(flags >> 4) % 3] + in.Text(), name = in.Text(), text = in.Text();
  qc::AdvancedRegistryFunctions reg(p);
  const bool quiet = flags & 0x40;
  reg.SetDisplayErrorMsg(qc::Variant::Boolean(!quiet));
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
  // With the display off only the caller's own mistake, a malformed path, is still shown.
  for (const qc::test::MessageBoxCall& box : p.boxes)
    QC_FUZZ_CHECK(!box.prompt.empty() && (!quiet || box.prompt.rfind(L"Incorrect Format", 0) == 0));
  return 0;
}
