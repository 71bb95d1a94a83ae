// The window's logic where Wine cannot arrange the case (failure codes, views, media, links,
// raising values) or where rounding decides; the window driven from outside shows the rest.
#include "app/form1.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <stdexcept>

#include "app/startup.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;

const std::wstring kMachineRun =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

// The design table at 120 dots per inch (12 twips a pixel), where rounding decides: the window
// driven from outside checks the same controls at 96. In tab order: id|caption|left,top,width,
// height|font|points|weight|alignment (0 left, 1 centred)|colour.
TEST(Form1Layout, DesignTableAtTwelveTwipsAPixel) {
  const wchar_t* want[] = {
      L"101|Kill Virus|10,350,261,51|Times New Roman|15.75|400|1|ffffffff",
      L"102|Label1|10,10,521,341|Times New Roman|12|700|0|ffffffff",
      L"103|Label2|20,410,468,30|Times New Roman|15.75|700|1|ffffffff",
      L"104||10,440,491,41|Times New Roman|12|700|1|ffffffff",
      (L"105|Quorin Cleaner 1.0 - removes the Quorin autorun worm|0,490,481,61|"
       L"Book Antiqua|11.25|700|1|80000002"),  // the active caption's colour
      L"106|Open Task manager|280,350,211,51|Times New Roman|14.25|400|1|ffffffff"};
  const FormSpec f = Form1::Layout(12, 12);
  EXPECT_EQ(std::tie(f.caption, f.clientWidth, f.clientHeight, f.timerInterval),
            std::make_tuple(L"Quorin Virus Cleaner", 544, 549, 100));  // 543.75 x 548.75
  ASSERT_EQ(f.controls.size(), std::size(want));
  for (size_t i = 0; i < std::size(want); ++i) {
    const ControlSpec& c = f.controls[i];
    std::wostringstream o;
    o << c.id << '|' << c.caption << '|' << c.rect.left << ',' << c.rect.top << ',' << c.rect.width
      << ',' << c.rect.height << '|' << c.font.face << '|' << c.font.points << '|' << c.font.weight
      << '|' << static_cast<int>(c.align) << '|' << std::hex << c.foreColour;
    EXPECT_EQ(o.str(), want[i]);
    EXPECT_EQ(c.tabIndex, static_cast<int>(i));
  }
}

// The status watches both machine views of a 32-bit program on 64-bit Windows.
TEST(Form1Monitor, RedWhileEitherViewHoldsTheValue) {
  FakePlatform p;
  p.registry.SetWow64(p.wow64 = true);
  Form1 form(p);
  form.Show();
  auto status = [&] {
    p.Tick();
    return std::make_pair(p.captions[kLabel2], p.colours[kLabel2]);
  };
  EXPECT_EQ(status(), std::make_pair(std::wstring(L"Virus Cleaned"), 65280u));
  p.registry.SetString(kMachineRun, L"SVCHOST", "w", true);  // the 64-bit view only
  EXPECT_EQ(status(), std::make_pair(std::wstring(L"The virus exists and still running"), 255u));
}

// Redirection is off for the start only, restored on the error path too; the box says why.
TEST(Form1Errors, TaskManagerAWindowThatCannotBeMadeAndOneBoxAtATime) {
  const std::pair<uint32_t, std::wstring> rows[] = {
      {740, L"it needs administrator rights (elevation required)."},
      {5, L"access is denied."},
      {2, L"c:\\windows\\system32\\taskmgr.exe was not found."},
  };
  FakePlatform p;
  Form1 form(p);
  form.Show();
  for (const auto& [code, reason] : rows) {
    p.shellError = code;
    p.Click(kCommand2);
    EXPECT_EQ(p.boxes.back().prompt, L"Task Manager could not be started: " + reason);
    EXPECT_EQ(p.boxes.back().style, win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(p.files.redirectionOff) << code;
  }

  FakePlatform broken;  // no window: one box and a failure exit, not a wait unseen
  broken.createFails = true;
  EXPECT_NE(RunApplication(broken), 0);
  EXPECT_EQ(broken.boxes.at(0).prompt,
            L"Quorin Cleaner could not open its window (Windows error 1400).");

  p.boxes.clear();  // a tick failing while the last failure's box is up adds none
  p.registry.onQuery = [](const std::wstring&) { throw std::length_error("not absorbed"); };
  int ticksInBox = 0;
  p.onMessageBox = [&] { ticksInBox++ < 3 ? p.Tick() : void(); };
  p.Tick();
  EXPECT_EQ(ticksInBox, 1) << "a box on top of the box";
  p.Tick();
  EXPECT_EQ(p.boxes.size(), 2u) << "once closed, the next failure is shown again";
}

}  // namespace
}  // namespace qc
