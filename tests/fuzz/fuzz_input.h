// Typed values taken off the front of a fuzzer's input; past its end every value is zero or empty.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace qc::fuzz {

struct Input {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;

  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  template <class T>
  T Raw() {
    unsigned char bytes[sizeof(T)];
    for (unsigned char& b : bytes) b = Byte();
    T v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
  }
  // A text up to the next 0x00 byte. Bytes from 0x80 stand for Latin-1 letters, Cyrillic (not in
  // the ANSI code page) and CJK characters.
  std::wstring Text() {
    std::wstring s;
    for (uint8_t b; (b = Byte()) != 0;)
      s += static_cast<wchar_t>(b < 0x80   ? b
                                : b < 0xC0 ? 0xC0 + (b & 0x3F)
                                : b < 0xE0 ? 0x400 + (b & 0x1F)
                                           : 0x4E00 + (b & 0x1F));
    return s;
  }
};

// A broken invariant: the fuzzer reports the abort as a crash, with its input.
#define QC_FUZZ_CHECK(cond)                                  \
  do {                                                       \
    if (!(cond)) {                                           \
      std::fprintf(stderr, "invariant broken: %s\n", #cond); \
      std::abort();                                          \
    }                                                        \
  } while (0)

}  // namespace qc::fuzz
