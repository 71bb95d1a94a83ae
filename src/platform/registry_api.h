// The registry family of the platform seam: one method per advapi32 call, same arguments,
// same status codes. Key handles are 32-bit values as the program stores them; names go in as
// Unicode and are converted to ANSI by the backend; data and enumerated names are the raw ANSI
// bytes of the "A" calls.
#pragma once
#include <cstdint>
#include <string>

namespace qc {

using RegKey = uint32_t;  // a key handle or a predefined root value (0 = none)

class IRegistry {
 public:
  virtual ~IRegistry() = default;

  virtual int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                               uint32_t samDesired, RegKey& result) = 0;
  virtual int32_t RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) = 0;
  // cls may be null (no class); disposition may be null.
  virtual int32_t RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                                 const std::wstring* cls, uint32_t options, uint32_t samDesired,
                                 RegKey& result, uint32_t* disposition) = 0;
  virtual int32_t RegCloseKey(RegKey hKey) = 0;

  // Any of type, data and cbData may be null, as in the Win32 call. With data null the size is
  // still reported through cbData.
  virtual int32_t RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                                  uint8_t* data, uint32_t* cbData) = 0;
  virtual int32_t RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t reserved,
                                uint32_t type, const uint8_t* data, uint32_t cbData) = 0;
  virtual int32_t RegDeleteValue(RegKey hKey, const std::wstring& valueName) = 0;
  virtual int32_t RegDeleteKey(RegKey hKey, const std::wstring& subKey) = 0;
  // The view-aware delete (KEY_WOW64_32KEY / KEY_WOW64_64KEY in samDesired).
  virtual int32_t RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                                 uint32_t reserved) = 0;

  // Outputs may be null. cls/clsLen: an ANSI buffer of *clsLen bytes (plus room for its NUL).
  virtual int32_t RegQueryInfoKey(RegKey hKey, char* cls, uint32_t* clsLen, uint32_t* subKeys,
                                  uint32_t* maxSubKeyLen, uint32_t* maxClassLen, uint32_t* values,
                                  uint32_t* maxValueNameLen, uint32_t* maxValueLen,
                                  uint32_t* securityDescriptor, uint64_t* lastWriteTime) = 0;
  // name: an ANSI buffer of nameLen characters; on success nameLen is the name's length
  // without its NUL. cls/clsLen and lastWriteTime may be null.
  virtual int32_t RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                               char* cls, uint32_t* clsLen, uint64_t* lastWriteTime) = 0;
  virtual int32_t RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen,
                               uint32_t* type, uint8_t* data, uint32_t* dataLen) = 0;
};

}  // namespace qc
