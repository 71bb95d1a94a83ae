#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Calls = std::vector<std::string>;

struct MultimediaFixture : ::testing::Test {
  FakePlatform p;
  CWinAPI api{p};
  void SetUp() override { p.log.Clear(); }
};

using DelayTest = MultimediaFixture;

// The sound names, flags and device command texts are what the system reads: they are the test.
TEST_F(MultimediaFixture, SoundsAndDeviceCommands) {
  const char* const events[] = {"SystemStart",    "SystemExit",        "RestoreUp",
                                "RestoreDown",    "AppGPFault",        "SystemQuestion",
                                "SystemAsterisk", "SystemExclamation", "SystemHand"};
  String wav = L"c:\\media\\ding one.wav";
  Calls want = {"sndPlaySound(\"c:\\media\\ding one.wav\", 0x2001)"};
  for (Long func = 0; func <= 10; ++func) api.PlaySound(func, wav);
  for (const char* e : events) want.push_back("sndPlaySound(\"" + std::string(e) + "\", 0x12001)");
  EXPECT_EQ(p.log.Calls(), want);

  p.log.Clear();
  String file = L"c:\\My Videos\\clip.avi";
  api.PlayAvi(file);
  Integer track = 12;
  api.PlayAudioCd(track);
  Boolean stop = 1;  // any non-zero value
  api.PlayAudioCd(track, stop);
  const std::string cd = ", 128, 0)", video = ", 127, 0)";
  EXPECT_EQ(
      p.log.Calls(),
      (Calls{"mciSendString(\"open \"c:\\My Videos\\clip.avi\" type avivideo alias video\"" + video,
             "mciSendString(\"set video time format ms\"" + video,
             "mciSendString(\"play video from 0\"" + video, "mciSendString(\"stop cdaudio\"" + cd,
             "mciSendString(\"close cdaudio\"" + cd,
             "mciSendString(\"status cdaudio position track 12\"" + cd,
             "mciSendString(\"open cdaudio\"" + cd,
             "mciSendString(\"set cdaudio time format milliseconds\"" + cd,
             "mciSendString(\"play cdaudio\"" + cd, "mciSendString(\"stop cdaudio\"" + cd,
             "mciSendString(\"close cdaudio\"" + cd}));
}

// A multimedia layer that fails one command with a runtime error.
struct FailingMultimedia : test::FakeMultimedia {
  using FakeMultimedia::FakeMultimedia;
  uint32_t mciSendString(const std::wstring& command, std::string& reply, uint32_t replyLength,
                         int32_t callbackWindow) override {
    const uint32_t r = FakeMultimedia::mciSendString(command, reply, replyLength, callbackWindow);
    if (command == L"close cdaudio") throw RuntimeError(kErrInvalidArgument);
    return r;
  }
};

struct FailingPlatform : FakePlatform {
  FailingMultimedia failing{log};
  IMultimedia& Multimedia() override { return failing; }
};

TEST(PlayAudioCdErrors, AFailingStepIsSkippedAndTheRestRun) {
  FailingPlatform p;
  CWinAPI api(p);
  Integer track = 1;
  EXPECT_NO_THROW(api.PlayAudioCd(track));
  EXPECT_EQ(p.log.Calls().back(), "mciSendString(\"play cdaudio\", 128, 0)");
}

TEST_F(DelayTest, ReturnsAsTheTargetSecondBeginsWithoutSpinning) {
  // The fake clock (ms) moves only while Delay waits, and by `step` at every reading: a
  // spinning loop would never return, a wait measured from a later reading would overshoot.
  const struct {
    int64_t start;
    double howLong;
    int64_t step, end;
  } rows[] = {
      {1000000, 3, 0, 1003000},   {1000999, 1, 0, 1001000},
      {1000998, 1, 1, 1001000},  // the second turns between two readings
      {1000500, 2.5, 0, 1002000}, {1000500, 3.5, 0, 1004000},  // halves to even
      {1000500, 0.6, 0, 1001000}, {1000500, 0.4, 0, 1000500},
      {1000500, 0, 0, 1000500},   {1000500, -5, 0, 1000500},
  };
  for (const auto& r : rows) {
    p.runtime.clock = r.start;
    p.runtime.clockStep = r.step;
    p.runtime.waits = 0;
    Double howLong = r.howLong;
    api.Delay(howLong);
    EXPECT_GE(p.runtime.clock, r.end) << r.start << " + " << r.howLong;
    EXPECT_LE(p.runtime.clock, r.end + 3 * r.step) << r.start << " + " << r.howLong;
    EXPECT_LE(p.runtime.waits, 1) << r.start << " + " << r.howLong;
  }
}

TEST_F(DelayTest, MessagesAreHandledAsTheyArriveAndTheReturnMomentStays) {
  // Every wait but each third is ended by a message rather than by the clock.
  p.runtime.clock = 50000;
  int wakeups = 0;
  p.runtime.onWait = [&] {
    if (++wakeups % 3 == 0) p.runtime.clock += 1000;
  };
  Double seconds = 2;
  api.Delay(seconds);
  EXPECT_EQ(p.runtime.clock, 52000);
  EXPECT_EQ(p.runtime.waits, 6);
  EXPECT_EQ(p.runtime.doEvents, 6);  // each wake-up processes what arrived
}

TEST_F(DelayTest, AHandlerInsideTheWaitMayDelayToo) {
  p.runtime.clock = 0;
  bool nested = false;
  p.runtime.onDoEvents = [&] {
    if (nested) return;
    nested = true;
    Double inner = 4;  // a timer handler that waits longer than the outer call
    api.Delay(inner);
  };
  Double outer = 2;
  api.Delay(outer);
  // The outer wait was used up inside the handler: it returns without waiting again.
  EXPECT_EQ(p.runtime.clock, 4000);
  EXPECT_EQ(p.runtime.waits, 1);
}

TEST_F(DelayTest, AnAmountTheDateArithmeticCannotTakeIsAnOverflow) {
  Double huge = 1e12;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.Delay(huge); }), kErrOverflow) << "expected overflow";
  EXPECT_EQ(p.runtime.waits, 0);
}

}  // namespace
}  // namespace qc
