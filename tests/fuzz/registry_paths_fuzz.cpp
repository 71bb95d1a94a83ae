// AdvancedRegistryFunctions on the test double with any path, value name and data, and with any
// failure code injected into the registry: whatever the input, every key it opens is closed again,
// the results are of the documented kinds, and every error box has a text to show.
#include <string>

#include "fuzz/fuzz_input.h"
#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

namespace {

using qc::Variant;
using qc::VarType;
using qc::fuzz::Fail;

const char* const kCalls[] = {"RegOpenKeyEx", "RegQueryValueEx", "RegSetValueEx",  "RegDeleteValue",
                              "RegDeleteKey", "RegCreateKey",    "RegCreateKeyEx", "RegCloseKey"};
const wchar_t* const kRoots[] = {L"HKEY_LOCAL_MACHINE\\", L"HKEY_CURRENT_USER\\", L"HKEY_USERS\\",
                                 L"HKEY_CLASSES_ROOT\\",  L"HKEY_DYN_DATA\\",     L""};

bool IsTrueFalseOrEmpty(const Variant& v) {
  return v.IsEmpty() || v.type() == VarType::Boolean;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in(data, size);
  qc::test::FakePlatform platform;
  const std::wstring run = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  platform.registry.AddKey(run);
  platform.registry.SetString(run, L"SVCHOST", "c:\\windows\\svchost.exe");
  platform.registry.SetDword(L"HKEY_CURRENT_USER\\Software\\Q", L"n", 7);

  const uint8_t op = in.Byte();
  const uint8_t flags = in.Byte();
  const int32_t code = in.Raw<int32_t>();
  if (flags & 1) {
    platform.registry.InjectFailure(kCalls[(flags >> 1) % (sizeof kCalls / sizeof *kCalls)], code,
                                    L"", (flags & 0x80) ? -1 : 1);
  }
  const std::wstring path = kRoots[(flags >> 4) % 6] + in.Text();
  const std::wstring name = in.Text();
  const std::wstring text = in.Text();

  qc::AdvancedRegistryFunctions reg(platform);
  if (flags & 0x40) reg.SetDisplayErrorMsg(Variant::Boolean(false));
  try {
    Variant r;
    switch (op % 11) {
      case 0:
        r = reg.KeyExist(path);
        if (!IsTrueFalseOrEmpty(r)) Fail("KeyExist result");
        break;
      case 1:
        r = reg.KeyValueExist(path, name);
        if (!IsTrueFalseOrEmpty(r)) Fail("KeyValueExist result");
        break;
      case 2:
        r = reg.CreateKey(path);
        if (r.type() != VarType::Boolean) Fail("CreateKey result");
        break;
      case 3:
        r = reg.DeleteKey(path);
        if (r.type() != VarType::Boolean) Fail("DeleteKey result");
        break;
      case 4:
        r = reg.DeleteKeyValue(path, name);
        if (r.type() != VarType::Boolean) Fail("DeleteKeyValue result");
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
        break;
    }
  } catch (const qc::RuntimeError& e) {
    // Only a text with a character outside the code page may stop a member (overflow).
    if (e.number() != qc::kErrOverflow) Fail("an unexpected runtime error");
  }
  if (platform.registry.OpenHandles() != 0) Fail("a registry key was left open");
  for (const qc::test::MessageBoxCall& box : platform.runtime.boxes) {
    if (box.prompt.empty()) Fail("an error box without a text");
    // With the display off only the caller's own mistake, a malformed path, is still shown.
    if ((flags & 0x40) && box.prompt.rfind(L"Incorrect Format", 0) != 0)
      Fail("a registry error shown with the display off");
  }
  return 0;
}
