#include <cstdint>
#include <string>

#include "platform/on_error.h"
#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

constexpr uint32_t kWaveFileFlags = win::SND_ASYNC | win::SND_NOWAIT;
constexpr uint32_t kEventSoundFlags = win::SND_ALIAS | win::SND_NOWAIT | win::SND_ASYNC;

// The system event sounds, by PlaySound's func 1 to 9.
const wchar_t* const kEventSounds[] = {
    L"SystemStart",    L"SystemExit",     L"RestoreUp",         L"RestoreDown", L"AppGPFault",
    L"SystemQuestion", L"SystemAsterisk", L"SystemExclamation", L"SystemHand",
};

constexpr uint32_t kVideoReplySize = 127;
constexpr uint32_t kCdReplySize = 128;
constexpr int32_t kNoCallbackWindow = 0;
constexpr uint32_t kLongestWaitMs = 0xFFFFFFFEu;  // one below INFINITE
constexpr int64_t kMsPerSecond = 1000;

// The whole second a clock reading falls in (rounded down, also before the epoch).
int64_t FloorSeconds(int64_t ms) {
  return ms >= 0 ? ms / kMsPerSecond : -((-ms + kMsPerSecond - 1) / kMsPerSecond);
}

// Every multimedia command is a text with a blank-filled reply buffer; replies and result codes
// are not used.
void Send(Platform& platform, const String& command, std::string& reply, uint32_t size) {
  platform.Multimedia().mciSendString(command, reply, size, kNoCallbackWindow);
}

}  // namespace

void CWinAPI::PlaySound(Long& func) {
  String noFile;
  PlaySound(func, noFile);
}

void CWinAPI::PlaySound(Long& func, String& WavFileName) {
  if (func == 0) {
    // Cut at a NUL or changed by the code page, the name would be another file's.
    if (HasExactAnsiForm(platform_.CodePage(), WavFileName))
      platform_.Multimedia().sndPlaySound(WavFileName, kWaveFileFlags);
  } else if (func >= 1 && func <= 9) {
    platform_.Multimedia().sndPlaySound(kEventSounds[func - 1], kEventSoundFlags);
  }
}

void CWinAPI::Delay(Double& HowLong) {
  IRuntime& rt = platform_.Runtime();
  // Date addition takes whole seconds, rounding halves to even; an amount beyond its range
  // (or not a number) is the runtime's overflow.
  const int64_t seconds = CLng(Variant::Double(HowLong));
  // The wait ends as the clock's second reaches the target: at the first millisecond of the
  // target second. Each decision below takes the comparison and the time left from one reading,
  // so a second that turns between two readings cannot stretch the wait by another second.
  int64_t now = rt.NowMilliseconds();
  const int64_t target = (FloorSeconds(now) + seconds) * kMsPerSecond;
  while (now < target) {
    rt.DoEvents();
    // A handler run just now may have used up the rest of the wait.
    now = rt.NowMilliseconds();
    if (now >= target) break;
    // Sleep until a message needs handling or the target second begins.
    const int64_t remainingMs = target - now;
    rt.WaitForMessagesOrTimeout(remainingMs > kLongestWaitMs ? kLongestWaitMs
                                                             : static_cast<uint32_t>(remainingMs));
    now = rt.NowMilliseconds();
  }
}

void CWinAPI::PlayAvi(String& sFile) {
  // A name the command cannot carry as it is sends nothing: the commands after the open would
  // reach whatever video the alias still names.
  if (!HasExactAnsiForm(platform_.CodePage(), sFile)) return;
  std::string reply(kVideoReplySize, ' ');
  // Quoted, so that a path with blanks is one argument.
  Send(platform_, L"open \"" + sFile + L"\" type avivideo alias video", reply, kVideoReplySize);
  Send(platform_, L"set video time format ms", reply, kVideoReplySize);
  Send(platform_, L"play video from 0", reply, kVideoReplySize);
}

void CWinAPI::PlayAudioCd(Integer& TrackNum) {
  Boolean play = kFalse;
  PlayAudioCd(TrackNum, play);
}

void CWinAPI::PlayAudioCd(Integer& TrackNum, Boolean& StopPlaying) {
  // A drive without a disc or a busy device must not stop the remaining commands.
  std::string reply(kCdReplySize, ' ');
  if (StopPlaying) {
    ResumeNext([&] { Send(platform_, L"stop cdaudio", reply, kCdReplySize); });
    ResumeNext([&] { Send(platform_, L"close cdaudio", reply, kCdReplySize); });
    return;
  }
  ResumeNext([&] { Send(platform_, L"stop cdaudio", reply, kCdReplySize); });
  ResumeNext([&] { Send(platform_, L"close cdaudio", reply, kCdReplySize); });
  ResumeNext([&] { reply.assign(kCdReplySize, ' '); });
  // The track's start is asked for and its answer dropped; playback starts where the device
  // opens.
  ResumeNext([&] {
    Send(platform_, L"status cdaudio position track " + std::to_wstring(TrackNum), reply,
         kCdReplySize);
  });
  ResumeNext([&] { Send(platform_, L"open cdaudio", reply, kCdReplySize); });
  ResumeNext(
      [&] { Send(platform_, L"set cdaudio time format milliseconds", reply, kCdReplySize); });
  ResumeNext([&] { Send(platform_, L"play cdaudio", reply, kCdReplySize); });
}

}  // namespace qc
