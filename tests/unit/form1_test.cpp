#include <gtest/gtest.h>

#include <iterator>
#include <tuple>

#include "app/form1.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;

constexpr wchar_t kTimes[] = L"Times New Roman";
constexpr TextAlign kCenter = TextAlign::Center;

// The design table at 120 dots per inch (12 twips a pixel), where rounding decides: the window
// driven from outside checks the same controls at 96.
TEST(Form1Layout, DesignTableAtTwelveTwipsAPixel) {
  struct Want {
    int id, weight;
    const wchar_t *caption, *face;
    PixelRect rect;
    double points;
    TextAlign align;
    uint32_t colour;
  };
  const uint32_t caption = SystemColour(win::COLOR_ACTIVECAPTION);
  const std::wstring credit = L"Quorin Cleaner 1.0 - removes the Quorin autorun worm";
  const wchar_t* taskManager = L"Open Task manager";
  const Want want[] = {
      {kCommand1, 400, L"Kill Virus", kTimes, {10, 350, 261, 51}, 15.75, kCenter, kDefaultColour},
      {kLabel1, 700, L"Label1", kTimes, {10, 10, 521, 341}, 12, TextAlign::Left, kDefaultColour},
      {kLabel2, 700, L"Label2", kTimes, {20, 410, 468, 30}, 15.75, kCenter, kDefaultColour},
      {kLabel3, 700, L"", kTimes, {10, 440, 491, 41}, 12, kCenter, kDefaultColour},
      {kLabel4, 700, credit.c_str(), L"Book Antiqua", {0, 490, 481, 61}, 11.25, kCenter, caption},
      {kCommand2, 400, taskManager, kTimes, {280, 350, 211, 51}, 14.25, kCenter, kDefaultColour},
  };
  const FormSpec f = Form1::Layout(12, 12);
  EXPECT_EQ(f.caption, L"Quorin Virus Cleaner");
  EXPECT_EQ(f.clientWidth, 544);   // 543.75
  EXPECT_EQ(f.clientHeight, 549);  // 548.75
  EXPECT_EQ(f.timerInterval, 100);
  ASSERT_EQ(f.controls.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const ControlSpec& c = f.controls[i];
    const Want& w = want[i];
    EXPECT_TRUE(std::tie(c.id, c.tabIndex, c.caption, c.rect, c.font.face, c.font.points,
                         c.font.weight, c.align, c.foreColour) ==
                std::make_tuple(w.id, static_cast<int>(i), std::wstring(w.caption), w.rect,
                                std::wstring(w.face), w.points, w.weight, w.align, w.colour))
        << "control " << c.id;
  }
}

// Redirection is off for the start only: restored on the error path too, and the box says why.
TEST(Form1Command2, AFailedStartSaysWhyAndRestoresRedirection) {
  const std::pair<uint32_t, std::wstring> rows[] = {
      {740, L"it needs administrator rights (elevation required)."},
      {5, L"access is denied."},
      {2, L"c:\\windows\\system32\\taskmgr.exe was not found."},
  };
  FakePlatform p;
  p.runtime.shellFails = true;
  Form1 form(p);
  form.Show();
  for (const auto& [code, reason] : rows) {
    p.runtime.shellError = code;
    p.forms.Click(kCommand2);
    EXPECT_EQ(p.runtime.boxes.back().prompt, L"Task Manager could not be started: " + reason);
    EXPECT_EQ(p.runtime.boxes.back().style, win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(p.files.redirectionOff) << code;
  }
}

}  // namespace
}  // namespace qc
