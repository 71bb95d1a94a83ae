// What the recording double saw: one line per platform call, "Name(arg, arg, ...)", so a test
// can compare whole call sequences with their constants and order.
#pragma once
#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace qc::test {

class CallLog {
 public:
  template <class... Args>
  void Add(const std::string& name, const Args&... args) {
    std::ostringstream line;
    line << name << '(';
    [[maybe_unused]] bool first = true;
    (Append(line, first, args), ...);
    line << ')';
    calls_.push_back(line.str());
  }
  const std::vector<std::string>& Calls() const { return calls_; }
  // The calls whose name starts with prefix, in order.
  std::vector<std::string> Matching(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& c : calls_)
      if (c.compare(0, prefix.size(), prefix) == 0) out.push_back(c);
    return out;
  }
  void Clear() { calls_.clear(); }

  static std::string Narrow(const std::wstring& w) {
    std::string s;
    for (wchar_t c : w) s += (c < 0x80) ? static_cast<char>(c) : '?';
    return s;
  }
  static std::string Hex(uint32_t v) {
    std::ostringstream o;
    o << "0x" << std::hex << std::uppercase << v;
    return o.str();
  }

 private:
  template <class T>
  static void Append(std::ostringstream& line, bool& first, const T& v) {
    if (!first) line << ", ";
    first = false;
    if constexpr (std::is_same_v<T, std::wstring>) {
      line << '"' << Narrow(v) << '"';
    } else if constexpr (std::is_same_v<T, std::string>) {
      line << v;  // already formatted by the caller
    } else if constexpr (std::is_convertible_v<T, const char*>) {
      line << v;
    } else if constexpr (std::is_same_v<T, bool>) {
      line << (v ? "true" : "false");
    } else {
      line << +v;
    }
  }
  std::vector<std::string> calls_;
};

}  // namespace qc::test
