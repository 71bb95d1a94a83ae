// In-memory registry that answers like Windows: real status codes, case-insensitive names,
// counted handles, a 32-bit and a 64-bit view of HKEY_LOCAL_MACHINE when asked to act as a
// 32-bit process on 64-bit Windows, and failures a test can inject.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/registry_api.h"
#include "support/call_log.h"

namespace qc::test {

struct CaseInsensitiveLess {
  bool operator()(const std::wstring& a, const std::wstring& b) const;
};

class FakeRegistry : public IRegistry {
 public:
  struct Value {
    uint32_t type = 0;
    std::vector<uint8_t> data;
  };
  struct Node {
    std::map<std::wstring, std::unique_ptr<Node>, CaseInsensitiveLess> keys;
    std::vector<std::pair<std::wstring, Value>> values;  // insertion order, as Windows lists them
    Value* Find(const std::wstring& name);
  };
  enum class View { Native, Wow32, Wow64 };

  explicit FakeRegistry(CallLog* log = nullptr);

  // Act as a 32-bit process on 64-bit Windows: HKLM gets two views, the process's own is 32-bit.
  void SetWow64(bool on) { wow64_ = on; }

  // Test set-up and inspection; paths are "HKEY_LOCAL_MACHINE\\Software\\..." style, with the
  // view for HKLM (Native means the process's own).
  void AddKey(const std::wstring& path, View view = View::Native);
  void SetValue(const std::wstring& keyPath, const std::wstring& name, uint32_t type,
                std::vector<uint8_t> data, View view = View::Native);
  void SetString(const std::wstring& keyPath, const std::wstring& name, const std::string& text,
                 View view = View::Native);  // REG_SZ with its NUL
  void SetDword(const std::wstring& keyPath, const std::wstring& name, uint32_t v,
                View view = View::Native);
  bool HasKey(const std::wstring& path, View view = View::Native) const;
  const Value* GetValue(const std::wstring& keyPath, const std::wstring& name,
                        View view = View::Native) const;
  // Every later call of that name (e.g. "RegDeleteValue") whose sub-key or value name contains
  // `match` fails with code (times < 0: always).
  void InjectFailure(const std::string& call, int32_t code, const std::wstring& match = L"",
                     int times = -1);
  // Keys under this path refuse writes (open for write, create, delete) with ERROR_ACCESS_DENIED.
  void DenyWrite(const std::wstring& path, View view = View::Native);

  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int TotalOpened() const { return totalOpened_; }

  // IRegistry
  int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                       uint32_t samDesired, RegKey& result) override;
  int32_t RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) override;
  int32_t RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                         const std::wstring* cls, uint32_t options, uint32_t samDesired,
                         RegKey& result, uint32_t* disposition) override;
  int32_t RegCloseKey(RegKey hKey) override;
  int32_t RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type,
                          uint8_t* data, uint32_t* cbData) override;
  // Like the system, a string type whose count leaves out a terminating zero that follows the
  // data gets the zero counted: the byte at data[cbData] is read.
  int32_t RegSetValueEx(RegKey hKey, const std::wstring& valueName, uint32_t reserved,
                        uint32_t type, const uint8_t* data, uint32_t cbData) override;
  int32_t RegDeleteValue(RegKey hKey, const std::wstring& valueName) override;
  int32_t RegDeleteKey(RegKey hKey, const std::wstring& subKey) override;
  int32_t RegDeleteKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t samDesired,
                         uint32_t reserved) override;
  int32_t RegQueryInfoKey(RegKey hKey, char* cls, uint32_t* clsLen, uint32_t* subKeys,
                          uint32_t* maxSubKeyLen, uint32_t* maxClassLen, uint32_t* values,
                          uint32_t* maxValueNameLen, uint32_t* maxValueLen,
                          uint32_t* securityDescriptor, uint64_t* lastWriteTime) override;
  int32_t RegEnumKeyEx(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, char* cls,
                       uint32_t* clsLen, uint64_t* lastWriteTime) override;
  int32_t RegEnumValue(RegKey hKey, uint32_t index, char* name, uint32_t& nameLen, uint32_t* type,
                       uint8_t* data, uint32_t* dataLen) override;

 private:
  struct Location {
    uint32_t root = 0;
    View view = View::Native;
    std::vector<std::wstring> parts;  // path below the root
  };
  struct Open {
    Location where;
    uint32_t access = 0;
  };
  struct Failure {
    std::string call;
    int32_t code;
    std::wstring match;
    int times;
  };

  bool Resolve(RegKey hKey, uint32_t sam, Location& out) const;
  static bool Split(const std::wstring& subKey, std::vector<std::wstring>& parts);
  Node* RootNode(uint32_t root, View view) const;
  Node* Walk(const Location& where) const;
  Node* WalkCreate(const Location& where);
  View Effective(View requested) const;
  bool WriteDenied(const Location& where) const;
  bool Injected(const std::string& call, const std::wstring& a, const std::wstring& b,
                int32_t& code);
  int32_t DeleteKeyAt(RegKey hKey, const std::wstring& subKey, uint32_t samDesired);
  int32_t Create(RegKey hKey, const std::wstring& subKey, uint32_t samDesired, RegKey& result,
                 uint32_t* disposition);
  RegKey NewHandle(const Location& where, uint32_t access);
  bool ParsePath(const std::wstring& path, View view, Location& out) const;
  static std::string Hex(uint32_t v) { return CallLog::Hex(v); }

  CallLog* log_;
  bool wow64_ = false;
  std::map<uint32_t, std::unique_ptr<Node>> roots_;  // key: root | (view << 8) for HKLM views
  std::map<RegKey, Open> handles_;
  RegKey nextHandle_ = 0x1000;
  int totalOpened_ = 0;
  std::vector<Failure> failures_;
  std::vector<Location> denied_;
};

}  // namespace qc::test
