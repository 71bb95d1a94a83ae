// The multimedia family of the seam (winmm).
#pragma once
#include <cstdint>
#include <string>

namespace qc {

class IMultimedia {
 public:
  virtual ~IMultimedia() = default;

  virtual int32_t sndPlaySound(const std::wstring& sound, uint32_t flags) = 0;
  // reply: an ANSI buffer of replyLength bytes, filled by the call.
  virtual uint32_t mciSendString(const std::wstring& command, std::string& reply,
                                 uint32_t replyLength, int32_t callbackWindow) = 0;
  virtual uint32_t waveOutGetNumDevs() = 0;
};

}  // namespace qc
