// Sound names and device command texts are what the system reads; Delay needs a clock to move.
#include <gtest/gtest.h>

#include <tuple>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(Multimedia, SoundNamesAndDeviceCommands) {
  FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();  // what the instance read at creation
  String wav = L"c:\\media\\ding one.wav", file = L"c:\\My Videos\\clip.avi";
  std::vector<std::string> want = {"sndPlaySound(\"c:\\media\\ding one.wav\", 0x2001)"};
  for (const char* e : {"SystemStart", "SystemExit", "RestoreUp", "RestoreDown", "AppGPFault",
                        "SystemQuestion", "SystemAsterisk", "SystemExclamation", "SystemHand"})
    want.push_back("sndPlaySound(\"" + std::string(e) + "\", 0x12001)");
  for (Long func = 0; func <= 10; ++func) api.PlaySound(func, wav);  // 10: no sound
  api.PlayAvi(file);
  Integer track = 12;
  Boolean stop = 1;  // any non-zero value
  api.PlayAudioCd(track);
  api.PlayAudioCd(track, stop);
  for (const char* c :
       {"open \"c:\\My Videos\\clip.avi\" type avivideo alias video, 127",
        "set video time format ms, 127", "play video from 0, 127", "stop cdaudio, 128",
        "close cdaudio, 128", "status cdaudio position track 12, 128", "open cdaudio, 128",
        "set cdaudio time format milliseconds, 128", "play cdaudio, 128", "stop cdaudio, 128",
        "close cdaudio, 128"}) {
    const std::string text(c);
    const size_t comma = text.rfind(',');
    want.push_back("mciSendString(\"" + text.substr(0, comma) + "\"" + text.substr(comma) + ", 0)");
  }
  EXPECT_EQ(p.log.Calls(), want);
}

TEST(Multimedia, DelayEndsAsTheTargetSecondBeginsCountedFromOneReading) {
  // The fake clock (ms) moves only while Delay waits, and by `step` at every reading.
  const std::tuple<int64_t, double, int64_t, int64_t, int> rows[] = {
      {1000000, 3, 0, 1003000, 0},
      {1000999, 1, 1, 1001000, 0},  // the second turns meanwhile
      {1000500, 2.5, 0, 1002000, 0},
      {1000500, 3.5, 0, 1004000, 0},  // halves to even
      {1000500, 0.4, 0, 1000500, 0},
      {1000500, -5, 0, 1000500, 0},
      {1000500, 1e12, 0, 1000500, kErrOverflow},
  };
  for (auto [start, seconds, step, end, error] : rows) {
    FakePlatform p;
    CWinAPI api(p);
    p.runtime.clock = start;
    p.runtime.clockStep = step;
    Double howLong = seconds;
    EXPECT_EQ(test::ErrorNumberOf([&] { api.Delay(howLong); }), error) << seconds;
    EXPECT_GE(p.runtime.clock, end) << start << " + " << seconds;
    EXPECT_LE(p.runtime.clock, end + 3 * step) << start << " + " << seconds;
    EXPECT_LE(p.runtime.waits, 1) << "no spinning: " << start << " + " << seconds;
  }
}

}  // namespace
}  // namespace qc
