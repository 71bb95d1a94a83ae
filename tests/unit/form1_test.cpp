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
using OnDelete = test::FakeFile::OnDelete;

const std::wstring kRun = L"\\Microsoft\\Windows\\CurrentVersion\\Run",
                   kRemoved = L"Virus Removed!";
const std::wstring kMachineRun = L"HKEY_LOCAL_MACHINE\\SOFTWARE" + kRun,
                   kUserRun = L"HKEY_CURRENT_USER\\Software" + kRun;

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
  const std::wstring unmarked = denied + L"; it could not be marked for deletion at restart either",
                     network = L"\n\nNot checked, network drives that could not be reached: e:";
  auto onDelete = [](OnDelete how) {
    return [how](FakePlatform& p) { p.files.Get(L"e:\\autorun.inf")->onDelete = how; };
  };
  auto drive = [](uint32_t type) { return [type](FakePlatform& p) { p.files.driveType = type; }; };
  enum { kScheduled = 1 };
  struct Row {
    std::wstring says;            // the whole information box, or a line of the exclamation box
    std::vector<uint32_t> codes;  // 0: the deletion succeeds
    int flags = 0;
    std::function<void(FakePlatform&)> arrange = nullptr;
  } rows[] = {
      {kRemoved, {0, 2, 3, 15, 21, 55, 123, 1005, 1112}},  // not there
      {inUse + restart, {33}, kScheduled},
      {denied + restart, {5}, kScheduled},
      {unmarked, {5}, 0, [](FakePlatform& p) { p.files.moveFails = true; }},
      {e + L"the disk is write-protected", {19}},
      {e + L"Windows error 1117 (Path/File access error)", {1117}},
      {disc, {5}, 0, drive(5)},                                           // CD or DVD
      {disc, {19}, 0, [](FakePlatform& p) { p.volumeFlags = 0x80000; }},  // read-only
      {kRemoved + network, {53, 67, 1222, 1231}, 0, drive(4)},
      {inUse, {32}, 0, drive(2)},                      // USB stick: its letter may change
      {pending, {0}, 0, onDelete(OnDelete::Pending)},  // "deleted", still open elsewhere
      {pending, {0}, 0, onDelete(OnDelete::PendingFat)},
      {e + L"it is still there", {0}, 0, onDelete(OnDelete::Stays)},
      {L"\"SVCHOST" + unchecked + L"Out of memory",
       {0},
       0,
       [](FakePlatform& p) {  // tried all the same, nothing skipped
         for (const auto& key : {kMachineRun, kUserRun}) p.registry.SetString(key, L"QUORIN", "w");
         p.registry.onQuery = [](const std::wstring& name) {
           if (name != L"MDM") throw RuntimeError(kErrOutOfMemory);
         };
       }},
      {L"\"SVCHOST\" in " + kMachineRun + L" (32-bit view): the value could not be deleted",
       {0},
       0,
       [](FakePlatform& p) {  // a 32-bit program on 64-bit Windows: two machine views
         p.registry.SetWow64(p.wow64 = true);
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
      // A file link to it, removed as a link.
      p.files.Add(L"c:\\quorin.exe", 0x420).linkTarget = L"c:\\data\\target.doc";
      p.files.Add(L"e:\\autorun.inf").killError = code;
      if (row.arrange) row.arrange(p);
      Form1 form(p);
      form.Show();
      form.Command1_Click();
      for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
        EXPECT_FALSE(p.registry.GetValue(kMachineRun, name, true)) << name;
        EXPECT_FALSE(p.registry.GetValue(kUserRun, name)) << name;
      }
      EXPECT_FALSE(p.files.Get(L"c:\\windows\\mdm.exe"));
      EXPECT_EQ(p.files.Get(L"c:\\data\\target.doc")->attributes, 0x23u) << "the link was followed";
      EXPECT_EQ(p.files.deleteAtReboot.size(), row.flags & kScheduled ? 1u : 0u);
      const bool info = row.says.rfind(kRemoved, 0) == 0;
      const test::MessageBoxCall& box = p.boxes.back();
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
