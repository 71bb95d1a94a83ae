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

  // The log gets the opens, queries, deletions and closes (the window's tests read them).
  explicit FakeRegistry(CallLog* log = nullptr) : log_(log) {}
  // Act as a 32-bit process on 64-bit Windows: HKLM gets two views, the process's own is 32-bit.
  void SetWow64(bool on) { wow64_ = on; }

  // Paths are "HKEY_LOCAL_MACHINE\\Software\\..."; Native means the process's own view.
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
  // Later calls of that name (e.g. "RegDeleteValue") whose sub-key or value name contains
  // `match` fail with code (times < 0: always).
  void InjectFailure(const std::string& call, int32_t code, const std::wstring& match = L"",
                     int times = -1) {
    failures_.push_back({call, code, match, times});
  }
  // Keys under this path refuse writes (open for write, create, delete) with ERROR_ACCESS_DENIED.
  void DenyWrite(const std::wstring& path, View view = View::Native);
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int calls = 0;  // every registry call made

  int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options,
                       uint32_t samDesired, RegKey& result) override;
  int32_t RegCreateKey(RegKey hKey, const std::wstring& subKey, RegKey& result) override;
  int32_t RegCreateKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t reserved,
                         const std::wstring* cls, uint32_t options, uint32_t samDesired,
                         RegKey& result, uint32_t* disposition) override;
  int32_t RegCloseKey(RegKey hKey) override;
  // A string read into a buffer with room gets a zero after unterminated data, as the system does.
  int32_t RegQueryValueEx(RegKey hKey, const std::wstring& valueName, uint32_t* type, uint8_t* data,
                          uint32_t* cbData) override;
  // A string whose count leaves out a zero that follows the data gets the zero counted.
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
    uint32_t slot = 0;  // the root, or kWow64Slot for HKLM's 64-bit view of a 32-bit process
    std::vector<std::wstring> parts;
  };
  struct Failure {
    std::string call;
    int32_t code;
    std::wstring match;
    int times;
  };
  int32_t Check(const char* call, const std::wstring& name);
  bool Resolve(RegKey hKey, const std::wstring& subKey, uint32_t sam, Location& out) const;
  Node* Walk(const Location& where, bool create = false) const;
  bool WriteDenied(const Location& where) const;
  bool ParsePath(const std::wstring& path, View view, Location& out) const;
  int32_t Create(RegKey hKey, const std::wstring& subKey, uint32_t sam, RegKey& result,
                 uint32_t* disposition);
  int32_t DeleteKeyAt(RegKey hKey, const std::wstring& subKey, uint32_t sam);
  Node* Writable(RegKey hKey, int32_t& code);

  CallLog* log_;
  bool wow64_ = false;
  mutable std::map<uint32_t, Node> roots_;
  std::map<RegKey, std::pair<Location, uint32_t>> handles_;  // location, access
  RegKey nextHandle_ = 0x1000;
  std::vector<Failure> failures_;
  std::vector<Location> denied_;
};

}  // namespace qc::test
