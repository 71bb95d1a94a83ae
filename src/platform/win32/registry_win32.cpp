#include "platform/win32/win32_platform.h"

namespace qc::win32 {
namespace {

// Names are passed as ANSI text, as the "A" functions take them. A name that has no exact ANSI
// form is refused with ERROR_INVALID_PARAMETER before any call: cut or mapped, it would name
// another key or value.
struct AnsiName {
  explicit AnsiName(const std::wstring& w) : exact(ExactAnsi(w, text)) {}
  const char* c_str() const { return text.c_str(); }
  std::string text;
  bool exact;
};

}  // namespace

int32_t Win32Registry::RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                                    uint32_t samDesired, RegKey& result) {
  const AnsiName name(subKey);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  HKEY h = nullptr;
  const LONG r = ::RegOpenKeyExA(ToHkey(hKey), name.c_str(), options, samDesired, &h);
  if (r == ERROR_SUCCESS) result = FromHkey(h);
  return r;
}

int32_t Win32Registry::RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) {
  const AnsiName name(subKey);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  HKEY h = nullptr;
  const LONG r = ::RegCreateKeyA(ToHkey(hKey), name.c_str(), &h);
  if (r == ERROR_SUCCESS) result = FromHkey(h);
  return r;
}

int32_t Win32Registry::RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                                      const std::wstring* cls, uint32_t options,
                                      uint32_t samDesired, RegKey& result, uint32_t* disposition) {
  const AnsiName name(subKey), clsName(cls ? *cls : std::wstring());
  if (!name.exact || !clsName.exact) return ERROR_INVALID_PARAMETER;
  HKEY h = nullptr;
  DWORD disp = 0;
  std::string clsText = clsName.text;
  const LONG r =
      ::RegCreateKeyExA(ToHkey(hKey), name.c_str(), reserved, cls ? clsText.data() : nullptr,
                        options, samDesired, nullptr, &h, &disp);
  if (r == ERROR_SUCCESS) result = FromHkey(h);
  if (disposition) *disposition = disp;
  return r;
}

int32_t Win32Registry::RegCloseKey(RegKey hKey) {
  return ::RegCloseKey(ToHkey(hKey));
}

int32_t Win32Registry::RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                                       uint8_t* data, uint32_t* cbData) {
  const AnsiName name(valueName);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  DWORD t = type ? *type : 0;
  DWORD size = cbData ? *cbData : 0;
  const LONG r = ::RegQueryValueExA(ToHkey(hKey), name.c_str(), nullptr, type ? &t : nullptr, data,
                                    cbData ? &size : nullptr);
  if (type) *type = t;
  if (cbData) *cbData = size;
  return r;
}

int32_t Win32Registry::RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t reserved,
                                     uint32_t type, const uint8_t* data, uint32_t cbData) {
  static const BYTE kNothing =
      0;  // a zero-length write still needs a valid pointer on some systems
  const AnsiName name(valueName);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  return ::RegSetValueExA(ToHkey(hKey), name.c_str(), reserved, type, data ? data : &kNothing,
                          cbData);
}

int32_t Win32Registry::RegDeleteValue(RegKey hKey, const std::wstring& valueName) {
  const AnsiName name(valueName);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  return ::RegDeleteValueA(ToHkey(hKey), name.c_str());
}

int32_t Win32Registry::RegDeleteKey(RegKey hKey, const std::wstring& subKey) {
  const AnsiName name(subKey);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  return ::RegDeleteKeyA(ToHkey(hKey), name.c_str());
}

int32_t Win32Registry::RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                                      uint32_t reserved) {
  // Not present before Vista (and not on 32-bit XP): look it up rather than import it.
  using Fn = LONG(WINAPI*)(HKEY, LPCSTR, REGSAM, DWORD);
  static const Fn fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"advapi32.dll"), "RegDeleteKeyExA")));
  if (!fn) return RegDeleteKey(hKey, subKey);
  const AnsiName name(subKey);
  if (!name.exact) return ERROR_INVALID_PARAMETER;
  return fn(ToHkey(hKey), name.c_str(), samDesired, reserved);
}

int32_t Win32Registry::RegQueryInfoKey(RegKey hKey, char* cls, uint32_t* clsLen, uint32_t* subKeys,
                                       uint32_t* maxSubKeyLen, uint32_t* maxClassLen,
                                       uint32_t* values, uint32_t* maxValueNameLen,
                                       uint32_t* maxValueLen, uint32_t* securityDescriptor,
                                       uint64_t* lastWriteTime) {
  DWORD cl = clsLen ? *clsLen : 0, sk = 0, msk = 0, mcl = 0, v = 0, mvn = 0, mvl = 0, sd = 0;
  FILETIME ft{};
  const LONG r = ::RegQueryInfoKeyA(ToHkey(hKey), cls, clsLen ? &cl : nullptr, nullptr, &sk, &msk,
                                    &mcl, &v, &mvn, &mvl, &sd, &ft);
  if (clsLen) *clsLen = cl;
  if (subKeys) *subKeys = sk;
  if (maxSubKeyLen) *maxSubKeyLen = msk;
  if (maxClassLen) *maxClassLen = mcl;
  if (values) *values = v;
  if (maxValueNameLen) *maxValueNameLen = mvn;
  if (maxValueLen) *maxValueLen = mvl;
  if (securityDescriptor) *securityDescriptor = sd;
  if (lastWriteTime) *lastWriteTime = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return r;
}

int32_t Win32Registry::RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                    char* cls, uint32_t* clsLen, uint64_t* lastWriteTime) {
  DWORD n = nameLen, cl = clsLen ? *clsLen : 0;
  FILETIME ft{};
  const LONG r =
      ::RegEnumKeyExA(ToHkey(hKey), index, name, &n, nullptr, cls, clsLen ? &cl : nullptr, &ft);
  nameLen = n;
  if (clsLen) *clsLen = cl;
  if (lastWriteTime) *lastWriteTime = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
  return r;
}

int32_t Win32Registry::RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                                    uint32_t* type, uint8_t* data, uint32_t* dataLen) {
  DWORD n = nameLen, t = 0, dl = dataLen ? *dataLen : 0;
  const LONG r = ::RegEnumValueA(ToHkey(hKey), index, name, &n, nullptr, type ? &t : nullptr, data,
                                 dataLen ? &dl : nullptr);
  nameLen = n;
  if (type) *type = t;
  if (dataLen) *dataLen = dl;
  return r;
}

}  // namespace qc::win32
