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
  size_t size, pos = 0;

  uint8_t Byte() { return pos < size ? data[pos++] : 0; }
  template <class T>
  T Raw() {
    uint8_t bytes[sizeof(T)];
    for (uint8_t& b : bytes) b = Byte();
    T v;
    std::memcpy(&v, bytes, sizeof v);
    return v;
  }
  // A text up to the next 0x00 byte. Bytes from 0x80 stand for Latin-1 letters and for CJK
  // characters, which the ANSI code page lacks.
  std::wstring Text() {
    std::wstring s;
    for (uint8_t b; (b = Byte()) != 0;)
      s += static_cast<wchar_t>(b < 0x80 ? b : b < 0xC0 ? 0xC0 + (b & 0x3F) : 0x4E00 + (b & 0x1F));
    return s;
  }
};

}  // namespace qc::fuzz

// A broken invariant: the fuzzer reports the abort as a crash, with its input.
#define QC_FUZZ_CHECK(c) ((c) ? void() : (std::fprintf(stderr, "broken: %s\n", #c), std::abort()))
