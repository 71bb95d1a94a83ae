#include "registry/advanced_registry_functions.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "platform/app_info.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc {

namespace {

// Closes the instance's KeyHandle when a member leaves, whichever way it leaves: a runtime error
// raised between open and close (a text that does not fit, a failing conversion) must not leave
// the key open until the next call.
class KeyScope {
 public:
  explicit KeyScope(UniqueKey& key) : key_(key) {}
  KeyScope(const KeyScope&) = delete;
  KeyScope& operator=(const KeyScope&) = delete;
  ~KeyScope() { key_.reset(); }

 private:
  UniqueKey& key_;
};

const Variant& True() {
  static const Variant v = Variant::Boolean(true);
  return v;
}

const Variant& False() {
  static const Variant v = Variant::Boolean(false);
  return v;
}

const wchar_t kErrorResult[] = L"Error";

std::wstring Blanks(int32_t count) {
  if (count < 0) Raise(kErrInvalidArgument);
  return std::wstring(static_cast<size_t>(count), L' ');
}

}  // namespace

AdvancedRegistryFunctions::AdvancedRegistryFunctions()
    : AdvancedRegistryFunctions(DefaultPlatform()) {}

AdvancedRegistryFunctions::AdvancedRegistryFunctions(Platform& platform)
    : platform_(platform), KeyHandle(platform.Registry()) {}

void AdvancedRegistryFunctions::SetDisplayErrorMsg(const Variant& vNewValue) {
  DisplayErrorMsg = CBool(vNewValue);
}

// --- path strings, texts and boxes ------------------------------------------------------------

void AdvancedRegistryFunctions::ParseKeyPath(std::wstring& path, RegKey& root) {
  const size_t slash = path.find(L'\\');
  const bool malformed =
      path.size() < 5 || path.compare(0, 5, L"HKEY_") != 0 || path.back() == L'\\';
  if (malformed) {
    // Shown whatever DisplayErrorMsg says: it is the caller's mistake, not the registry's.
    const std::wstring title = kAppTitle;
    platform_.Runtime().MessageBox(L"Incorrect Format: \n\n" + path, win::MB_OK, &title);
    root = 0;
    return;
  }
  if (slash == std::wstring::npos) {
    root = GetRootKey(path);
    path.clear();
    return;
  }
  // Only the first backslash separates; any further ones stay in the sub-key as written.
  root = GetRootKey(path.substr(0, slash));
  path.erase(0, slash + 1);
}

RegKey AdvancedRegistryFunctions::GetRootKey(const std::wstring& name) {
  static const struct {
    const wchar_t* name;
    RegKey key;
  } kRoots[] = {
      {L"HKEY_CLASSES_ROOT", win::HKEY_CLASSES_ROOT},
      {L"HKEY_CURRENT_USER", win::HKEY_CURRENT_USER},
      {L"HKEY_LOCAL_MACHINE", win::HKEY_LOCAL_MACHINE},
      {L"HKEY_USERS", win::HKEY_USERS},
      {L"HKEY_PERFORMANCE_DATA", win::HKEY_PERFORMANCE_DATA},
      {L"HKEY_CURRENT_CONFIG", win::HKEY_CURRENT_CONFIG},
      {L"HKEY_DYN_DATA", win::HKEY_DYN_DATA},
  };
  for (const auto& r : kRoots) {
    if (name == r.name) return r.key;
  }
  return 0;
}

std::wstring AdvancedRegistryFunctions::GetErrorMsg(int32_t code) {
  switch (code) {
    case win::ERROR_FILE_NOT_FOUND:
    case win::ERROR_BADKEY:
      return L"Bad Key Name";
    case win::ERROR_TOO_MANY_OPEN_FILES:
    case win::ERROR_CANTREAD:
      return L"Can't Read Key";
    case win::ERROR_ACCESS_DENIED:
      return L"Access To this key Is Denied";
    case win::ERROR_NOT_ENOUGH_MEMORY:
    case win::ERROR_OUTOFMEMORY:
      return L"Out Of memory";
    case win::ERROR_INVALID_PARAMETER:
      return L"Invalid Parameter";
    case win::ERROR_MORE_DATA:
      return L"There Is More Data Than The Buffer Has Been Allocated To Hold";
    case win::ERROR_BADDB:
    case win::ERROR_REGISTRY_CORRUPT:
      return L"The Registry Database Is Corrupt!";
    case win::ERROR_CANTOPEN:
      return L"Can't Open Key";
    case win::ERROR_CANTWRITE:
      return L"Can't Write Key";
    default:
      // Str puts a blank before a number that is not negative.
      return L"Undefined Error Code : " + Str(code);
  }
}

void AdvancedRegistryFunctions::ReportError() {
  if (!DisplayErrorMsg) return;
  const std::wstring title = kAppTitle;
  platform_.Runtime().MessageBox(GetErrorMsg(LastResult), win::MB_ICONEXCLAMATION, &title);
}

// --- helpers around the registry calls --------------------------------------------------------

uint32_t AdvancedRegistryFunctions::ViewBits() const {
  switch (view_) {
    case RegistryView::Force32:
      return win::KEY_WOW64_32KEY;
    case RegistryView::Force64:
      return win::KEY_WOW64_64KEY;
    case RegistryView::Default:
      break;
  }
  return 0;
}

uint32_t AdvancedRegistryFunctions::Access(uint32_t access) const {
  return access | ViewBits();
}

int32_t AdvancedRegistryFunctions::OpenKey(RegKey root, const std::wstring& subKey, uint32_t access,
                                           UniqueKey& key) {
  return platform_.Registry().RegOpenKeyEx(root, subKey, 0, Access(access), key.put());
}

int32_t AdvancedRegistryFunctions::Query(const UniqueKey& key, const std::wstring& valueName,
                                         uint32_t type, uint8_t* data, int32_t& size) {
  // The type is preset as the caller expects it, but only ever written by the system.
  uint32_t cb = static_cast<uint32_t>(size);
  const int32_t code = platform_.Registry().RegQueryValueEx(key.get(), valueName, &type, data, &cb);
  size = static_cast<int32_t>(cb);
  return code;
}

std::vector<uint8_t> AdvancedRegistryFunctions::OneBytePerCharacter(const std::wstring& text) {
  // One conversion of the whole text: in a single-byte code page each character gives one byte;
  // a longer result means some character needed two (a double-byte code page). A character the
  // code page cannot hold comes back as a substitute ('?' or a best fit); writing that instead
  // would change the data silently, so it counts as not fitting too.
  const std::string ansi = platform_.CodePage().ToAnsi(text);
  if (ansi.size() != text.size() || platform_.CodePage().FromAnsi(ansi) != text) {
    Raise(kErrOverflow);
  }
  return std::vector<uint8_t>(ansi.begin(), ansi.end());
}

// --- existence, deletion and creation ---------------------------------------------------------

Variant AdvancedRegistryFunctions::KeyExist(std::wstring sKey) {
  Variant result;
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  UniqueKey key(platform_.Registry());
  LastResult = OpenKey(RootKey, sKey, win::KEY_READ, key);
  if (LastResult == win::ERROR_SUCCESS) result = True();
  return result;
}

Variant AdvancedRegistryFunctions::KeyValueExist(std::wstring sKey, std::wstring sKeyName) {
  Variant result;
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  UniqueKey key(platform_.Registry());
  LastResult = OpenKey(RootKey, sKey, win::KEY_READ, key);
  if (LastResult != win::ERROR_SUCCESS) return result;

  // No data buffer: only presence is asked, whatever the value's size.
  uint32_t type = 0;
  uint32_t size = 0;
  LastResult = platform_.Registry().RegQueryValueEx(key.get(), sKeyName, &type, nullptr, &size);
  return LastResult == win::ERROR_SUCCESS ? True() : False();
}

Variant AdvancedRegistryFunctions::DeleteKeyValue(std::wstring sKeyName, std::wstring sValueName) {
  Variant result = False();
  ParseKeyPath(sKeyName, RootKey);
  if (RootKey == 0) return result;

  UniqueKey key(platform_.Registry());
  LastResult = OpenKey(RootKey, sKeyName, win::KEY_WRITE, key);
  if (LastResult != win::ERROR_SUCCESS) return result;

  LastResult = platform_.Registry().RegDeleteValue(key.get(), sValueName);
  if (LastResult == win::ERROR_SUCCESS) {
    result = True();
  } else {
    ReportError();  // the key stays open while the box is up
  }
  LastResult = key.reset();
  return result;
}

Variant AdvancedRegistryFunctions::DeleteKey(std::wstring KeyName) {
  Variant result = False();
  ParseKeyPath(KeyName, RootKey);
  if (RootKey == 0) return result;

  // Only the view-aware call can delete in the other view; the plain one keeps the process's own.
  const uint32_t view = ViewBits();
  LastResult = view == 0 ? platform_.Registry().RegDeleteKey(RootKey, KeyName)
                         : platform_.Registry().RegDeleteKeyEx(RootKey, KeyName, view, 0);
  if (LastResult == win::ERROR_SUCCESS) {
    result = True();
  } else {
    ReportError();
  }
  return result;
}

Variant AdvancedRegistryFunctions::CreateKey(std::wstring sKey) {
  Variant result = False();
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  const KeyScope scope(KeyHandle);
  if (ViewBits() == 0) {
    LastResult = platform_.Registry().RegCreateKey(RootKey, sKey, KeyHandle.put());
  } else {
    // What the plain call asks for: an existing key the user may only read still opens.
    LastResult =
        platform_.Registry().RegCreateKeyEx(RootKey, sKey, 0, nullptr, win::REG_OPTION_NON_VOLATILE,
                                            Access(win::MAXIMUM_ALLOWED), KeyHandle.put(), nullptr);
  }
  if (LastResult == win::ERROR_SUCCESS) {
    LastResult = KeyHandle.reset();
    result = True();
  }
  return result;
}

// --- typed values -----------------------------------------------------------------------------

template <class MakeBytes>
Variant AdvancedRegistryFunctions::WriteValue(std::wstring& sKey, const std::wstring& sKeyName,
                                              uint32_t type, MakeBytes&& makeBytes) {
  Variant result = False();
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  const KeyScope scope(KeyHandle);
  LastResult = OpenKey(RootKey, sKey, win::KEY_WRITE, KeyHandle);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return result;
  }
  // The data are made once the key is open; a conversion error leaves with the key closed.
  // They are held in a std::string so that a zero byte always follows them, as it follows the
  // text of a string value in memory (the system looks at that byte for REG_SZ). Data that
  // cannot be written as they are come back as nothing: refused as a bad parameter.
  const std::optional<std::string> data = makeBytes();
  if (!data) {
    LastResult = win::ERROR_INVALID_PARAMETER;
    ReportError();
    return result;
  }
  // An empty value is written with no data pointer.
  LastResult = platform_.Registry().RegSetValueEx(
      KeyHandle.get(), sKeyName, 0, type,
      data->empty() ? nullptr : reinterpret_cast<const uint8_t*>(data->c_str()),
      static_cast<uint32_t>(data->size()));
  if (LastResult == win::ERROR_SUCCESS) {
    result = True();
  } else {
    ReportError();
  }
  LastResult = KeyHandle.reset();
  return result;
}

Variant AdvancedRegistryFunctions::SetDWordValue(std::wstring sKey, std::wstring sKeyName,
                                                 int32_t KeyValue) {
  return WriteValue(sKey, sKeyName, win::REG_DWORD, [KeyValue]() -> std::optional<std::string> {
    const uint32_t bits = static_cast<uint32_t>(KeyValue);
    return std::string{static_cast<char>(bits), static_cast<char>(bits >> 8),
                       static_cast<char>(bits >> 16), static_cast<char>(bits >> 24)};
  });
}

Variant AdvancedRegistryFunctions::GetDWordValue(std::wstring sKey, std::wstring sKeyName) {
  Variant result;
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  const KeyScope scope(KeyHandle);
  LastResult = OpenKey(RootKey, sKey, win::KEY_READ, KeyHandle);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return Variant(kErrorResult);
  }
  // Shorter data leave the high bytes zero, never those of an earlier read.
  uint8_t bytes[4] = {0, 0, 0, 0};
  int32_t count = 4;
  LastResult = Query(KeyHandle, sKeyName, win::REG_DWORD, bytes, count);
  std::memcpy(&DWordData, bytes, sizeof bytes);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return Variant(kErrorResult);
  }
  LastResult = KeyHandle.reset();
  return Variant::Long(DWordData);
}

Variant AdvancedRegistryFunctions::SetBinaryValue(std::wstring sKey, std::wstring sKeyName,
                                                  const std::wstring& KeyValue) {
  return WriteValue(sKey, sKeyName, win::REG_BINARY, [&]() -> std::optional<std::string> {
    BinaryLength = static_cast<int32_t>(KeyValue.size());
    BinaryData = OneBytePerCharacter(KeyValue);  // may raise overflow
    return std::string(BinaryData.begin(), BinaryData.end());
  });
}

Variant AdvancedRegistryFunctions::GetBinaryValue(std::wstring sKey, std::wstring sKeyName) {
  Variant result;
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  const KeyScope scope(KeyHandle);
  LastResult = OpenKey(RootKey, sKey, win::KEY_READ, KeyHandle);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return Variant(kErrorResult);
  }
  // Size probe into a one-byte buffer: its code is of no interest (234 for anything longer),
  // only the size it reports.
  DataSize = 1;
  uint8_t probe[1] = {'0'};
  Query(KeyHandle, sKeyName, win::REG_BINARY, probe, DataSize);

  TextBuffer = Blanks(DataSize);
  // The whole buffer comes back, zero bytes included; bytes the query did not fill stay blanks.
  std::string buffer = platform_.CodePage().ToAnsi(TextBuffer);
  LastResult = Query(KeyHandle, sKeyName, win::REG_BINARY,
                     reinterpret_cast<uint8_t*>(buffer.data()), DataSize);
  TextBuffer = platform_.CodePage().FromAnsi(buffer);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return Variant(kErrorResult);
  }
  LastResult = KeyHandle.reset();
  return Variant::String(TextBuffer);
}

Variant AdvancedRegistryFunctions::SetStringValue(std::wstring sKey, std::wstring sKeyName,
                                                  std::wstring KeyValue) {
  return WriteValue(sKey, sKeyName, win::REG_SZ, [&]() -> std::optional<std::string> {
    // A look-alike or '?' in place of a character, or a text cut at a NUL, would be other data
    // than the caller's.
    if (!HasExactAnsiForm(platform_.CodePage(), KeyValue)) return std::nullopt;
    // No terminating zero is written. The count is the ANSI text's own length: the same as its
    // number of characters in a single-byte code page, and not cutting the text in a double-byte
    // one.
    return platform_.CodePage().ToAnsi(KeyValue);
  });
}

Variant AdvancedRegistryFunctions::GetStringValue(std::wstring sKey, std::wstring sKeyName) {
  Variant result;
  DataSize = 0;
  TextBuffer.clear();
  ParseKeyPath(sKey, RootKey);
  if (RootKey == 0) return result;

  const KeyScope scope(KeyHandle);
  LastResult = OpenKey(RootKey, sKey, win::KEY_READ, KeyHandle);
  if (LastResult != win::ERROR_SUCCESS) {
    ReportError();
    return Variant(kErrorResult);
  }
  constexpr int32_t kBufferLength = 255;
  TextBuffer = Blanks(kBufferLength);
  DataSize = kBufferLength;
  std::string buffer = platform_.CodePage().ToAnsi(TextBuffer);
  LastResult =
      Query(KeyHandle, sKeyName, win::REG_SZ, reinterpret_cast<uint8_t*>(buffer.data()), DataSize);
  if (LastResult != win::ERROR_SUCCESS) {
    TextBuffer = platform_.CodePage().FromAnsi(buffer);
    ReportError();
    return Variant(kErrorResult);
  }
  LastResult = KeyHandle.reset();
  // The stored bytes and nothing else: cut to the stored size before the conversion, then drop
  // the terminating zero when there is one. Blanks are data and stay.
  buffer.resize(std::min(buffer.size(), static_cast<size_t>(std::max(DataSize, 0))));
  if (!buffer.empty() && buffer.back() == '\0') buffer.pop_back();
  TextBuffer = platform_.CodePage().FromAnsi(buffer);
  return Variant::String(TextBuffer);
}

}  // namespace qc
