// Listing a key's sub-keys, or its values with display texts of their data, into list boxes.
// Buffers are sized from the key's own statistics and grown when a name or data does not fit.
#include <algorithm>
#include <new>
#include <string>

#include "platform/unique_key.h"
#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

constexpr uint32_t kClassLength = 255;  // the class text handed to RegQueryInfoKey
// Bounds of the buffers: names are at most 16,383 characters, while performance data report no
// usable size and could otherwise keep a listing retrying until memory runs out.
constexpr uint32_t kLargestName = 64u << 10;
constexpr uint32_t kLargestData = 64u << 20;

// The next length of a buffer that proved too short: at least double (so that data which
// outgrow the key's statistics cost a few retries, not one per few bytes) and at least the size
// the call reported. False when that would pass the bound: the listing then stops as on any
// other failure.
bool Grow(uint32_t& length, uint32_t reported, uint32_t bound) {
  const uint64_t next = std::max<uint64_t>(2 * (uint64_t(length) + 1), reported);
  if (next > bound) return false;
  length = static_cast<uint32_t>(next);
  return true;
}

struct KeyInfo {
  uint32_t subKeys = 0, maxSubKeyLen = 0, maxClassLen = 0, values = 0, maxValueNameLen = 0,
           maxValueLen = 0;
};

int32_t QueryInfo(IRegistry& reg, RegKey key, KeyInfo& info) {
  std::string cls(kClassLength + 1, ' ');
  cls.back() = '\0';
  uint32_t clsLen = kClassLength, securityDescriptor = 0;
  uint64_t lastWrite = 0;
  return reg.RegQueryInfoKey(key, cls.data(), &clsLen, &info.subKeys, &info.maxSubKeyLen,
                             &info.maxClassLen, &info.values, &info.maxValueNameLen,
                             &info.maxValueLen, &securityDescriptor, &lastWrite);
}

// The text of a byte's hexadecimal digits put through the number format "00": only an
// all-digit text is padded to two places, so 0x0A-0x0F stay single letters.
void AppendByte(std::wstring& out, uint8_t b) {
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  const wchar_t high = kDigits[b >> 4], low = kDigits[b & 0xF];
  if (b < 0x10) {
    if (b < 10) out += L'0';
    out += low;
  } else {
    out += high;
    out += low;
  }
  out += L' ';
}

// The row text of one value's data (before an empty text becomes "(value not set)").
std::wstring DataText(ICodePage& codePage, uint32_t type, const std::string& data) {
  switch (type) {
    case win::REG_SZ: {
      // Drop the terminating NUL; data stored without one keep their last character.
      std::string text = data;
      if (!text.empty() && text.back() == '\0') text.pop_back();
      return L"\"" + codePage.FromAnsi(text) + L"\"";
    }
    case win::REG_BINARY: {
      std::wstring out;
      out.reserve(data.size() * 3);
      for (char c : data) AppendByte(out, static_cast<uint8_t>(c));
      return out;
    }
    case win::REG_DWORD: {
      // Little-endian; a value shorter than four bytes counts its missing high bytes as zero.
      uint32_t v = 0;
      for (size_t i = 0; i < data.size() && i < 4; ++i)
        v |= uint32_t(static_cast<uint8_t>(data[i])) << (8 * i);
      return L"&H" + Hex(static_cast<int32_t>(v)) + L" (" + std::to_wstring(v) + L")";
    }
    case win::REG_MULTI_SZ: {
      std::wstring out = codePage.FromAnsi(data);
      for (auto& c : out)
        if (c == L'\0') c = L' ';
      return out;
    }
    case win::REG_FULL_RESOURCE_DESCRIPTOR:
      return L"REG_FULL_RESOURCE_DESCRIPTOR";
    default:
      return codePage.FromAnsi(data);
  }
}

// LB_ADDSTRING takes a NUL-terminated text: a row shows its text up to the first NUL.
void AddRow(IWindows& windows, Long listBox, std::wstring text) {
  const size_t nul = text.find(L'\0');
  if (nul != std::wstring::npos) text.resize(nul);
  windows.SendMessage(listBox, win::LB_ADDSTRING, -1, text);
}

}  // namespace

void CWinAPI::RegistryEnumerateKeys(String& sValue, Long& handleListbox, Long& home) {
  RegEnumKeys(sValue, handleListbox, home);
}

void CWinAPI::RegistryEnumerateValues(String& sValue, Long& handleListboxEntries,
                                      Long& handleListboxValues, Long& home) {
  RegEnumValues(sValue, handleListboxEntries, handleListboxValues, home);
}

Long CWinAPI::RegEnumKeys(String& rgeSubKey, Long& handleListbox, Long& rgeMainKey) {
  IRegistry& reg = platform_.Registry();
  UniqueKey key(reg);
  int32_t status =
      reg.RegOpenKeyEx(static_cast<RegKey>(rgeMainKey), rgeSubKey, 0, win::KEY_READ, key.put());
  Long result = status;
  KeyInfo info;
  QueryInfo(reg, key.get(), info);  // a key that did not open leaves every count 0

  // The lengths passed leave no room for the NUL: a name of exactly the longest length is read
  // on the second attempt, after the buffers have grown.
  uint32_t nameMax = std::min(info.maxSubKeyLen, kLargestName);
  uint32_t classMax = std::min(info.maxClassLen, kLargestName);
  uint32_t index = 0;
  std::string name, cls;
  while (status == win::ERROR_SUCCESS) {
    name.assign(nameMax + 1, ' ');
    cls.assign(classMax + 1, ' ');
    uint32_t nameLen = nameMax, classLen = classMax;
    uint64_t lastWrite = 0;
    status =
        reg.RegEnumKeyEx(key.get(), index, name.data(), nameLen, cls.data(), &classLen, &lastWrite);
    if (status == win::ERROR_SUCCESS) {
      const size_t nul = name.find('\0');
      if (nul != std::string::npos) name.resize(nul);
      AddRow(platform_.Windows(), handleListbox, platform_.CodePage().FromAnsi(name));
      ++index;
    } else if (status == win::ERROR_MORE_DATA) {
      // The name count is not a size the call defines on this code: only doubling.
      if (Grow(nameMax, 0, kLargestName) && Grow(classMax, 0, kLargestName)) {
        status = win::ERROR_SUCCESS;
      } else {
        result = status;
      }
    } else if (status == win::ERROR_NO_MORE_ITEMS) {
      result = win::ERROR_SUCCESS;
    } else {
      result = status;
    }
  }
  return result;
}

void CWinAPI::RegEnumValues(String& rgeSubKey, Long& handleListboxEntries,
                            Long& handleListboxValues, Long& rgeMainKey) try {
  IRegistry& reg = platform_.Registry();
  UniqueKey key(reg);
  int32_t status =
      reg.RegOpenKeyEx(static_cast<RegKey>(rgeMainKey), rgeSubKey, 0, win::KEY_READ, key.put());
  if (status != win::ERROR_SUCCESS) return;
  KeyInfo info;
  status = QueryInfo(reg, key.get(), info);

  ICodePage& codePage = platform_.CodePage();
  IWindows& windows = platform_.Windows();
  // The key's statistics are bounded like every later growth: performance data may report any
  // size, and 0xFFFFFFFF would wrap to an empty buffer once the NUL's room is added.
  uint32_t nameMax = std::min(info.maxValueNameLen, kLargestName);
  uint32_t dataMax = std::min(info.maxValueLen, kLargestData);
  // Only the returned lengths of the buffers are read, so they are filled once and kept for
  // every value: refilling a buffer sized for the key's largest value at each of many small
  // values would cost far more than the listing itself.
  std::string name(nameMax + 1, ' '), data(dataMax + 1, ' ');
  uint32_t index = 0;
  while (status == win::ERROR_SUCCESS && index < info.values) {
    uint32_t nameLen = nameMax + 1, dataLen = dataMax + 1, type = 0;
    status = reg.RegEnumValue(key.get(), index, name.data(), nameLen, &type,
                              reinterpret_cast<uint8_t*>(data.data()), &dataLen);
    if (status == win::ERROR_SUCCESS) {
      const std::string bytes(data, 0, std::min<size_t>(dataLen, data.size()));
      std::wstring dataText = DataText(codePage, type, bytes);
      if (dataText.empty()) dataText = L"(value not set)";
      AddRow(windows, handleListboxEntries,
             nameLen == 0
                 ? std::wstring(L"(Default)")
                 : codePage.FromAnsi(name.substr(0, std::min<size_t>(nameLen, name.size()))));
      AddRow(windows, handleListboxValues, std::move(dataText));
      ++index;
    } else if (status == win::ERROR_MORE_DATA) {
      // The data count is the size the value needs; the name count is not defined here, and a
      // name buffer at its bound stays there while the data may still need room.
      if (Grow(dataMax, dataLen, kLargestData)) {
        if (!Grow(nameMax, 0, kLargestName)) nameMax = std::max(nameMax, kLargestName);
        name.assign(nameMax + 1, ' ');
        data.assign(dataMax + 1, ' ');
        status = win::ERROR_SUCCESS;
      }
    }
  }
} catch (const std::bad_alloc&) {
  // Buffers of up to 64 MiB, and rows as long as their data: the caller hears the runtime's
  // error, not a failure from inside the library.
  throw RuntimeError(kErrOutOfMemory);
}

}  // namespace qc
