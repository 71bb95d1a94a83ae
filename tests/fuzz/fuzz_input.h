// Takes typed values off the front of a fuzzer's input; past its end every value is zero or empty.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qc::fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  template <class T>
  T Raw() {
    T v{};
    unsigned char bytes[sizeof(T)] = {};
    for (unsigned char& b : bytes) b = Byte();
    std::memcpy(&v, bytes, sizeof v);
    return v;
  }
  // A text up to the next 0x00 byte (or the end). Bytes below 0x80 are themselves; 0x80..0xFF
  // stand for characters beyond ASCII, some with and some without a single-byte ANSI code.
  std::wstring Text() {
    std::wstring s;
    while (pos_ < size_) {
      const uint8_t b = data_[pos_++];
      if (b == 0) break;
      if (b < 0x80) {
        s.push_back(static_cast<wchar_t>(b));
      } else if (b < 0xC0) {
        s.push_back(static_cast<wchar_t>(0x80 + (b & 0x3F) + 0x40));  // Latin-1 letters
      } else if (b < 0xE0) {
        s.push_back(static_cast<wchar_t>(0x0400 + (b & 0x1F)));  // Cyrillic: not in cp1252
      } else {
        s.push_back(static_cast<wchar_t>(0x4E00 + (b & 0x1F)));  // CJK
      }
    }
    return s;
  }
  bool Empty() const { return pos_ >= size_; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

// A broken invariant: print it and abort, which the fuzzer reports as a crash with its input.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace qc::fuzz
