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

TEST_F(DelayTest, WaitsForTheClockInsteadOfSpinning) {
  // The fake clock moves only while Delay waits, so a spinning loop would never return.
  p.runtime.clock = 1000;
  Double seconds = 3;
  api.Delay(seconds);
  EXPECT_EQ(p.runtime.clock, 1003);
  EXPECT_EQ(p.log.Calls(), (Calls{"DoEvents()", "WaitForMessagesOrTimeout(3000)", "DoEvents()",
                                  "WaitForMessagesOrTimeout(2000)", "DoEvents()",
                                  "WaitForMessagesOrTimeout(1000)"}));
}

TEST_F(DelayTest, SecondsAreRoundedHalfToEvenAndNothingOrLessReturnsAtOnce) {
  const struct {
    double howLong;
    int waits;
  } cases[] = {{2.5, 2}, {3.5, 4}, {0.4, 0}, {0, 0}, {-5, 0}, {0.6, 1}};
  for (const auto& c : cases) {
    p.runtime.waits = 0;
    p.runtime.doEvents = 0;
    Double howLong = c.howLong;
    api.Delay(howLong);
    EXPECT_EQ(p.runtime.waits, c.waits) << c.howLong;
    EXPECT_EQ(p.runtime.doEvents, c.waits) << c.howLong;
  }
}

TEST_F(DelayTest, MessagesAreHandledAsTheyArriveAndTheReturnMomentStays) {
  // Every wait but each third is ended by a message rather than by the clock.
  p.runtime.clock = 50;
  int wakeups = 0;
  p.runtime.onWait = [&] {
    if (++wakeups % 3 == 0) ++p.runtime.clock;
  };
  Double seconds = 2;
  api.Delay(seconds);
  EXPECT_EQ(p.runtime.clock, 52);
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
  EXPECT_EQ(p.runtime.clock, 4);
  EXPECT_EQ(p.runtime.waits, 4);
}

TEST_F(DelayTest, AnAmountTheDateArithmeticCannotTakeIsAnOverflow) {
  Double huge = 1e12;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.Delay(huge); }), kErrOverflow) << "expected overflow";
  EXPECT_EQ(p.runtime.waits, 0);
}

}  // namespace
}  // namespace qc
