// CWinAPI's own registry toolkit: keys named by a root-key selector and a sub-key path, one
// value written, read or deleted per call, every key closed before the routine returns.
#include <array>
#include <string>

#include "platform/unique_key.h"
#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

// Every key this toolkit opens or creates asks for these rights, for reading as for writing.
constexpr uint32_t kAccess = win::KEY_QUERY_VALUE | win::KEY_SET_VALUE;
constexpr size_t kTextBufferSize = 255;

RegKey Root(Long selector) {
  return static_cast<RegKey>(selector);
}

std::array<uint8_t, 4> LittleEndian(int32_t n) {
  const auto u = static_cast<uint32_t>(n);
  return {uint8_t(u), uint8_t(u >> 8), uint8_t(u >> 16), uint8_t(u >> 24)};
}

int32_t FromLittleEndian(const std::array<uint8_t, 4>& b) {
  return static_cast<int32_t>(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 |
                              uint32_t(b[3]) << 24);
}

}  // namespace

// --- private routines -----------------------------------------------------------------------

Long CWinAPI::RegWriteValue(RegKey hKey, const String& valueName, Long valueType,
                            const Variant& value) {
  IRegistry& reg = platform_.Registry();
  switch (static_cast<uint32_t>(valueType)) {
    case win::REG_SZ: {
      // Refused as the backend refuses a name without an exact form: changed, it is other data.
      const String text = CStr(value);
      if (!HasExactAnsiForm(platform_.CodePage(), text)) return win::ERROR_INVALID_PARAMETER;
      std::string data = platform_.CodePage().ToAnsi(text);
      data.push_back('\0');
      return reg.RegSetValueEx(hKey, valueName, 0, win::REG_SZ,
                               reinterpret_cast<const uint8_t*>(data.data()),
                               static_cast<uint32_t>(data.size()));
    }
    case win::REG_BINARY:
    case win::REG_DWORD: {
      const auto bytes = LittleEndian(CLng(value));  // raises before anything is written
      return reg.RegSetValueEx(hKey, valueName, 0, static_cast<uint32_t>(valueType), bytes.data(),
                               static_cast<uint32_t>(bytes.size()));
    }
    default:
      return win::ERROR_SUCCESS;
  }
}

Long CWinAPI::RegReadValue(RegKey hKey, const String& valueName, Long& valueType, Variant& value) {
  IRegistry& reg = platform_.Registry();
  auto type = static_cast<uint32_t>(valueType);
  Long status = win::ERROR_SUCCESS;
  switch (type) {
    case win::REG_SZ: {
      std::string buffer(kTextBufferSize, ' ');
      uint32_t size = kTextBufferSize;
      status = reg.RegQueryValueEx(hKey, valueName, &type,
                                   reinterpret_cast<uint8_t*>(buffer.data()), &size);
      valueType = static_cast<Long>(type);
      if (status == win::ERROR_MORE_DATA) {
        // A text too long for the buffer: the system leaves the buffer's content undefined, so
        // none of it is handed on.
        value = Variant(String());
      } else {
        String text = platform_.CodePage().FromAnsi(buffer);
        value = Variant(StripNull(text));
      }
      break;
    }
    case win::REG_BINARY:
    case win::REG_DWORD: {
      // Bytes the call does not deliver keep those of the holder's current number.
      auto bytes = LittleEndian(CLng(value));
      uint32_t size = static_cast<uint32_t>(bytes.size());
      status = reg.RegQueryValueEx(hKey, valueName, &type, bytes.data(), &size);
      valueType = static_cast<Long>(type);
      // A failed call may have left anything in the bytes: the holder keeps the caller's value.
      if (status == win::ERROR_SUCCESS) value = Variant::Long(FromLittleEndian(bytes));
      break;
    }
    default:
      break;
  }
  return status;
}

void CWinAPI::RegCreateNewKey(const String& keyPath, Long root) {
  IRegistry& reg = platform_.Registry();
  UniqueKey key(reg);
  uint32_t disposition = 0;
  reg.RegCreateKeyEx(Root(root), keyPath, 0, nullptr, win::REG_OPTION_NON_VOLATILE, kAccess,
                     key.put(), &disposition);
}

void CWinAPI::RegOpenWriteValue(const String& keyPath, const String& valueName,
                                const Variant& value, Long valueType, const Variant& root) {
  IRegistry& reg = platform_.Registry();
  const Long selector = CLng(root);
  UniqueKey key(reg);
  reg.RegOpenKeyEx(Root(selector), keyPath, 0, kAccess, key.put());
  // A key that did not open leaves the handle 0: the write then fails on its own (after the
  // value has still been checked for its conversion).
  RegWriteValue(key.get(), valueName, valueType, value);
}

Long CWinAPI::RegOpenReadValue(const String& keyPath, const String& valueName, Variant& value,
                               Long& valueType, const Variant& root) {
  IRegistry& reg = platform_.Registry();
  const Long selector = CLng(root);
  UniqueKey key(reg);
  reg.RegOpenKeyEx(Root(selector), keyPath, 0, kAccess, key.put());
  return RegReadValue(key.get(), valueName, valueType, value);
}

void CWinAPI::RegRemoveKey(const Variant& root, const String& parentPath,
                           const String& subKeyName) {
  // The system deletes the opened key itself for an empty sub-key name: here that would be
  // the parent, which the caller did not name for deletion.
  if (subKeyName.empty()) return;
  IRegistry& reg = platform_.Registry();
  const Long selector = CLng(root);
  UniqueKey key(reg);
  reg.RegOpenKeyEx(Root(selector), parentPath, 0, kAccess, key.put());
  reg.RegDeleteKey(key.get(), subKeyName);
}

void CWinAPI::RegRemoveValue(const Variant& root, const String& keyPath, const String& valueName) {
  IRegistry& reg = platform_.Registry();
  const Long selector = CLng(root);
  UniqueKey key(reg);
  reg.RegOpenKeyEx(Root(selector), keyPath, 0, kAccess, key.put());
  reg.RegDeleteValue(key.get(), valueName);
}

// --- public members -------------------------------------------------------------------------

void CWinAPI::RegistryValueS(String& sKey, String& sValueName, String& sValue, Long& home) {
  RegOpenWriteValue(sKey, sValueName, Variant(sValue), win::REG_SZ, Variant::Long(home));
}

void CWinAPI::RegistryValueD(String& sKey, String& sValueName, String& sValue, Long& home) {
  RegOpenWriteValue(sKey, sValueName, Variant(sValue), win::REG_DWORD, Variant::Long(home));
}

void CWinAPI::RegistryValueB(String& sKey, String& sValueName, Byte& sValue, Long& home) {
  RegOpenWriteValue(sKey, sValueName, Variant::Byte(sValue), win::REG_BINARY, Variant::Long(home));
}

Variant CWinAPI::RegistryGetValue(String& sKey, String& sValueName, Variant& sValue,
                                  Long& nValuetype, Long& home) {
  RegOpenReadValue(sKey, sValueName, sValue, nValuetype, Variant::Long(home));
  if (nValuetype == static_cast<Long>(win::REG_SZ)) {
    String text = CStr(sValue);
    sValue = Variant(StripNull(text));
  }
  return Variant();
}

void CWinAPI::RegistryRun(String& sValueName, String& sValue) {
  RegOpenWriteValue(L"software\\microsoft\\windows\\currentversion\\run", sValueName,
                    Variant(sValue), win::REG_SZ,
                    Variant::Long(static_cast<Long>(win::HKEY_LOCAL_MACHINE)));
}

void CWinAPI::RegistryDeleteValue(String& sKey, String& sValueName, Long& home) {
  RegRemoveValue(Variant::Long(home), sKey, sValueName);
}

void CWinAPI::RegistryNewKey(String& sKeyName, Long& home) {
  RegCreateNewKey(sKeyName, home);
}

void CWinAPI::RegistryDeletekey(String& sSubKey, String& sKey, Long& home) {
  RegRemoveKey(Variant::Long(home), sKey, sSubKey);
}

void CWinAPI::AutoRun(Long& drv) {
  Byte mask = CByte(Variant::Long(drv));  // outside 0..255: overflow, before any registry call
  String key = L"software\\microsoft\\windows\\currentversion\\policies\\explorer";
  String name = L"NoDriveTypeAutoRun";
  Long home = static_cast<Long>(win::HKEY_CURRENT_USER);
  RegistryValueB(key, name, mask, home);
}

}  // namespace qc
