// AdvancedRegistryFunctions with any path, value name and data, and any failure code injected into
// the registry: every key it opens is closed again, the answers are of the documented kinds, only
// overflow (a text outside the code page) may be raised, and every error box has a text.
#include "fuzz/fuzz_input.h"
#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in{data, size};
  qc::test::FakePlatform platform;
  const std::wstring run = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  platform.registry.SetString(run, L"SVCHOST", "c:\\windows\\svchost.exe");
  platform.registry.SetDword(L"HKEY_CURRENT_USER\\Software\\Q", L"n", 7);
  const char* calls[] = {"RegOpenKeyEx", "RegQueryValueEx", "RegSetValueEx",  "RegDeleteValue",
                         "RegDeleteKey", "RegCreateKey",    "RegCreateKeyEx", "RegCloseKey"};
  const wchar_t* roots[] = {L"HKEY_LOCAL_MACHINE\\", L"HKEY_CURRENT_USER\\", L"HKEY_USERS\\",
                            L"HKEY_CLASSES_ROOT\\",  L"HKEY_DYN_DATA\\",     L""};
  const uint8_t op = in.Byte() % 11, flags = in.Byte();
  const int32_t code = in.Raw<int32_t>();
  if (flags & 1)
    platform.registry.InjectFailure(calls[(flags >> 1) % 8], code, L"", flags & 0x80 ? -1 : 1);
  const std::wstring path = roots[(flags >> 4) % 6] + in.Text(), name = in.Text(), text = in.Text();

  qc::AdvancedRegistryFunctions reg(platform);
  const bool quiet = flags & 0x40;
  if (quiet) reg.SetDisplayErrorMsg(qc::Variant::Boolean(false));
  try {
    qc::Variant r;
    switch (op) {
      case 0:
        r = reg.KeyExist(path);
        break;
      case 1:
        r = reg.KeyValueExist(path, name);
        break;
      case 2:
        r = reg.CreateKey(path);
        break;
      case 3:
        r = reg.DeleteKey(path);
        break;
      case 4:
        r = reg.DeleteKeyValue(path, name);
        break;
      case 5:
        r = reg.GetStringValue(path, name);
        break;
      case 6:
        r = reg.GetDWordValue(path, name);
        break;
      case 7:
        r = reg.GetBinaryValue(path, name);
        break;
      case 8:
        r = reg.SetStringValue(path, name, text);
        break;
      case 9:
        r = reg.SetDWordValue(path, name, code);
        break;
      default:
        r = reg.SetBinaryValue(path, name, text);
    }
    // The existence tests may answer Empty (a malformed path); the changes answer True or False.
    QC_FUZZ_CHECK(r.type() == qc::VarType::Boolean || (op <= 1 && r.IsEmpty()) || op >= 5);
  } catch (const qc::RuntimeError& e) {
    QC_FUZZ_CHECK(e.number() == qc::kErrOverflow);
  }
  QC_FUZZ_CHECK(platform.registry.OpenHandles() == 0);
  for (const qc::test::MessageBoxCall& box : platform.runtime.boxes) {
    QC_FUZZ_CHECK(!box.prompt.empty());
    // With the display off only the caller's own mistake, a malformed path, is still shown.
    QC_FUZZ_CHECK(!quiet || box.prompt.rfind(L"Incorrect Format", 0) == 0);
  }
  return 0;
}
