// The window's logic where Wine cannot arrange the case (failure codes, views, media, links,
// raising values) or where rounding decides; the window driven from outside shows the rest.
#include "app/form1.h"

#include <gtest/gtest.h>

#include <functional>
#include <iterator>
#include <stdexcept>
#include <tuple>

#include "app/startup.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;
using OnDelete = test::FakeFile::OnDelete;

const std::wstring kRun = L"\\Microsoft\\Windows\\CurrentVersion\\Run",
                   kRemoved = L"Virus Removed!";
const std::wstring kMachineRun = L"HKEY_LOCAL_MACHINE\\SOFTWARE" + kRun,
                   kUserRun = L"HKEY_CURRENT_USER\\Software" + kRun;

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
  constexpr wchar_t kTimes[] = L"Times New Roman";
  constexpr TextAlign kCenter = TextAlign::Center;
  const uint32_t caption = SystemColour(win::COLOR_ACTIVECAPTION);
  const std::wstring credit = L"Quorin Cleaner 1.0 - removes the Quorin autorun worm";
  const Want want[] = {
      {kCommand1, 400, L"Kill Virus", kTimes, {10, 350, 261, 51}, 15.75, kCenter, kDefaultColour},
      {kLabel1, 700, L"Label1", kTimes, {10, 10, 521, 341}, 12, TextAlign::Left, kDefaultColour},
      {kLabel2, 700, L"Label2", kTimes, {20, 410, 468, 30}, 15.75, kCenter, kDefaultColour},
      {kLabel3, 700, L"", kTimes, {10, 440, 491, 41}, 12, kCenter, kDefaultColour},
      {kLabel4, 700, credit.c_str(), L"Book Antiqua", {0, 490, 481, 61}, 11.25, kCenter, caption},
      {kCommand2,
       400,
       L"Open Task manager",
       kTimes,
       {280, 350, 211, 51},
       14.25,
       kCenter,
       kDefaultColour},
  };
  const FormSpec f = Form1::Layout(12, 12);
  EXPECT_EQ(std::tie(f.caption, f.clientWidth, f.clientHeight, f.timerInterval),
            std::make_tuple(L"Quorin Virus Cleaner", 544, 549, 100));  // 543.75 x 548.75
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

// One machine per row: the worm's files (mdm.exe read-only, a file link named quorin.exe, e:'s
// autorun.inf whose deletion meets each code in turn) and what the row adds.
TEST(Form1Removal, EachFailureIsNamedForWhatItIsAndOnlyKnownAbsenceIsClean) {
  const std::wstring e = L"e:\\autorun.inf: ",
                     restart = L"; it will be deleted when Windows restarts";
  const std::wstring inUse = e + L"it is in use by a running program",
                     denied = e + L"access was denied (it may be running)",
                     pending = e + L"it goes when the program holding it closes";
  const std::wstring disc =
      kRemoved + L"\n\n" + e + L"on a read-only disc, it cannot be deleted there";
  const std::wstring unchecked = L"\" in " + kMachineRun + L": could not be checked: ";
  auto onDelete = [](OnDelete how) {
    return [how](FakePlatform& p) { p.files.Get(L"e:\\autorun.inf")->onDelete = how; };
  };
  auto drive = [](uint32_t type) { return [type](FakePlatform& p) { p.files.driveType = type; }; };
  enum { kRed = 1, kScheduled = 2 };
  struct Row {
    std::wstring says;            // the whole information box, or a line of the exclamation box
    std::vector<uint32_t> codes;  // 0: the deletion succeeds
    int flags = 0;
    std::function<void(FakePlatform&)> arrange = nullptr;
  } rows[] = {
      {kRemoved, {0, 2, 3, 15, 21, 55, 123, 1005, 1112}},  // not there
      {inUse + restart, {33}, kScheduled},
      {denied + restart, {5}, kScheduled},
      {denied + L"; it could not be marked for deletion at restart either",
       {5},
       0,
       [](FakePlatform& p) { p.files.moveFails = true; }},
      {e + L"the disk is write-protected", {19}},
      {e + L"Windows error 1117 (Path/File access error)", {1117}},
      {disc, {5}, 0, drive(5)},                                                  // CD or DVD
      {disc, {19}, 0, [](FakePlatform& p) { p.system.volumeFlags = 0x80000; }},  // read-only
      {kRemoved + L"\n\nNot checked, network drives that could not be reached: e:",
       {53, 67, 1222, 1231},
       0,
       drive(4)},
      {inUse, {32}, 0, drive(2)},                      // USB stick: its letter may change
      {pending, {0}, 0, onDelete(OnDelete::Pending)},  // "deleted", still open elsewhere
      {pending, {0}, 0, onDelete(OnDelete::PendingFat)},
      {e + L"it is still there", {0}, 0, onDelete(OnDelete::Stays)},
      {L"\"SVCHOST" + unchecked + L"Out of memory",
       {0},
       kRed,
       [](FakePlatform& p) {  // tried all the same, nothing skipped
         for (const auto& key : {kMachineRun, kUserRun}) p.registry.SetString(key, L"QUORIN", "w");
         p.registry.onQuery = [](const std::wstring& name) {
           if (name != L"MDM") throw RuntimeError(kErrOutOfMemory);
         };
       }},
      {L"\"SVCHOST\" in " + kMachineRun + L" (32-bit view): the value could not be deleted",
       {0},
       kRed,
       [](FakePlatform& p) {  // a 32-bit program on 64-bit Windows: two machine views
         p.registry.SetWow64(p.system.wow64 = true);
         for (bool view64 : {false, true})
           p.registry.SetString(kMachineRun, L"SVCHOST", "w", view64);
         p.registry.InjectFailure("RegDeleteValue", 5, 1);  // the first: the 32-bit view's
       }},
  };
  for (const Row& row : rows) {
    for (uint32_t code : row.codes) {
      SCOPED_TRACE(testing::Message() << row.says << ", code " << code);
      FakePlatform p;
      p.files.Add(L"c:\\windows\\mdm.exe", 0x27);
      p.files.Add(L"c:\\data\\target.doc", 0x23);
      p.files.Add(L"c:\\quorin.exe", 0x420);  // a file link to it, removed as a link
      p.files.Get(L"c:\\quorin.exe")->linkTarget = L"c:\\data\\target.doc";
      p.files.Add(L"e:\\autorun.inf");
      p.files.Get(L"e:\\autorun.inf")->killError = code;
      if (row.arrange) row.arrange(p);
      Form1 form(p);
      form.Show();
      p.forms.Tick();
      const bool red = row.flags & kRed;
      EXPECT_EQ(p.forms.captions[kLabel2],
                red ? L"The virus exists and still running" : L"Virus Cleaned");
      EXPECT_EQ(p.forms.colours[kLabel2], red ? 0xFFu : 0xFF00u);
      form.Command1_Click();
      for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
        EXPECT_FALSE(p.registry.GetValue(kMachineRun, name, true)) << name;
        EXPECT_FALSE(p.registry.GetValue(kUserRun, name)) << name;
      }
      EXPECT_FALSE(p.files.Get(L"c:\\windows\\mdm.exe"));
      EXPECT_EQ(p.files.Get(L"c:\\data\\target.doc")->attributes, 0x23u) << "the link was followed";
      EXPECT_EQ(p.files.deleteAtReboot.size(), row.flags & kScheduled ? 1u : 0u);
      const bool info = row.says.rfind(kRemoved, 0) == 0;
      const test::MessageBoxCall& box = p.runtime.boxes.back();
      EXPECT_EQ(box.style, info ? 64 : 48);
      EXPECT_TRUE(info ? box.prompt == row.says
                       : box.prompt.find(L"\n" + row.says + L"\n") != std::wstring::npos)
          << box.prompt;
    }
  }
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
    p.runtime.shellError = code;
    p.forms.Click(kCommand2);
    EXPECT_EQ(p.runtime.boxes.back().prompt, L"Task Manager could not be started: " + reason);
    EXPECT_EQ(p.runtime.boxes.back().style, win::MB_ICONEXCLAMATION);
    EXPECT_FALSE(p.files.redirectionOff) << code;
  }

  FakePlatform broken;  // no window: one box and a failure exit, not a wait unseen
  broken.forms.createFails = true;
  EXPECT_NE(RunApplication(broken), 0);
  EXPECT_EQ(broken.runtime.boxes.at(0).prompt,
            L"Quorin Cleaner could not open its window (Windows error 1400).");

  p.runtime.boxes.clear();  // a tick failing while the last failure's box is up adds none
  p.registry.onQuery = [](const std::wstring&) { throw std::length_error("not absorbed"); };
  int ticksInBox = 0;
  p.runtime.onMessageBox = [&] { ticksInBox++ < 3 ? p.forms.Tick() : void(); };
  p.forms.Tick();
  EXPECT_EQ(ticksInBox, 1) << "a box on top of the box";
  p.forms.Tick();
  EXPECT_EQ(p.runtime.boxes.size(), 2u) << "once closed, the next failure is shown again";
}

}  // namespace
}  // namespace qc
