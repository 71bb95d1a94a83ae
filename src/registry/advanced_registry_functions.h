// Registry wrapper that names a key by one path string ("HKEY_LOCAL_MACHINE\SOFTWARE\...") and
// reports failed registry calls in a message box while its display switch is on.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "platform/unique_key.h"
#include "platform/variant.h"

namespace qc {

// Which registry view the class works in. Default makes exactly the plain calls (the process's
// own view); Force32 / Force64 add KEY_WOW64_32KEY / KEY_WOW64_64KEY to every open, create and
// delete, so a 32-bit process can reach the 64-bit per-machine keys. 32-bit Windows ignores them.
enum class RegistryView { Default, Force32, Force64 };

class AdvancedRegistryFunctions {
 public:
  AdvancedRegistryFunctions();
  explicit AdvancedRegistryFunctions(Platform& platform);
  AdvancedRegistryFunctions(const AdvancedRegistryFunctions&) = delete;
  AdvancedRegistryFunctions& operator=(const AdvancedRegistryFunctions&) = delete;

  // Write-only property: any value the runtime can make a Boolean; others raise type mismatch.
  void SetDisplayErrorMsg(const Variant& vNewValue);

  // Results: True/False from the writers, CreateKey, DeleteKey and DeleteKeyValue; the value,
  // "Error" or Empty from the readers; True, False or Empty from the existence tests.
  Variant SetDWordValue(std::wstring sKey, std::wstring sKeyName, int32_t KeyValue);
  Variant GetDWordValue(std::wstring sKey, std::wstring sKeyName);
  Variant SetBinaryValue(std::wstring sKey, std::wstring sKeyName, const std::wstring& KeyValue);
  Variant GetBinaryValue(std::wstring sKey, std::wstring sKeyName);
  // A text with a NUL, or with a character the ANSI code page has no exact code for, is refused
  // as a failed write (False, LastResult 87): it would otherwise be stored changed.
  Variant SetStringValue(std::wstring sKey, std::wstring sKeyName, std::wstring KeyValue);
  Variant GetStringValue(std::wstring sKey, std::wstring sKeyName);
  Variant CreateKey(std::wstring sKey);
  Variant DeleteKey(std::wstring KeyName);
  Variant DeleteKeyValue(std::wstring sKeyName, std::wstring sValueName);
  Variant KeyExist(std::wstring sKey);
  Variant KeyValueExist(std::wstring sKey, std::wstring sKeyName);

  void SetRegistryView(RegistryView view) { view_ = view; }
  RegistryView GetRegistryView() const { return view_; }
  // The code of the last registry call a member made (0 success, else a Win32 error): tells a
  // missing key or value (2) from a check that could not be made at all.
  int32_t GetLastResult() const { return LastResult; }

 private:
  void ParseKeyPath(std::wstring& path, RegKey& root);
  static RegKey GetRootKey(const std::wstring& name);
  static std::wstring GetErrorMsg(int32_t code);
  // The common failure step: a box with the text for LastResult, while DisplayErrorMsg is on.
  void ReportError();

  // The access mask for an open or create in the chosen view.
  uint32_t Access(uint32_t access) const;
  uint32_t ViewBits() const;
  int32_t OpenKey(RegKey root, const std::wstring& subKey, uint32_t access, UniqueKey& key);
  int32_t Query(const UniqueKey& key, const std::wstring& valueName, uint32_t type, uint8_t* data,
                int32_t& size);
  // The writers' common frame: open for writing, write the bytes makeBytes gives, report, close.
  template <class MakeBytes>
  Variant WriteValue(std::wstring& sKey, const std::wstring& sKeyName, uint32_t type,
                     MakeBytes&& makeBytes);
  // The ANSI bytes of a text carried one character per byte; raises overflow for a character
  // that has no single-byte code in the code page.
  std::vector<uint8_t> OneBytePerCharacter(const std::wstring& text);

  Platform& platform_;
  RegistryView view_ = RegistryView::Default;

  int32_t BinaryLength = 0;
  int32_t DataSize = 0;
  std::vector<uint8_t> BinaryData;
  bool DisplayErrorMsg = true;
  UniqueKey KeyHandle;  // owner of the key the typed members and CreateKey open
  RegKey RootKey = 0;
  int32_t LastResult = 0;
  int32_t DWordData = 0;
  std::wstring TextBuffer;
};

}  // namespace qc
