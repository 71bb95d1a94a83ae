// The monitor and the removal where Wine cannot arrange the case (failure codes, media, links,
// unreadable or raising values, escaping errors); the window driven from outside shows the rest.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "app/form1.h"
#include "app/startup.h"
#include "platform/runtime_error.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::CallLog;
using View = test::FakeRegistry::View;
using OnDelete = test::FakeEntry::OnDelete;

const std::wstring kRun = L"\\Microsoft\\Windows\\CurrentVersion\\Run",
                   kRemoved = L"Virus Removed!";
const std::wstring kMachineRun = L"HKEY_LOCAL_MACHINE\\SOFTWARE" + kRun,
                   kUserRun = L"HKEY_CURRENT_USER\\Software" + kRun;

struct World : test::FakePlatform {  // failures where a test says, on top of the double
  struct : test::FakeRegistry {
    using FakeRegistry::FakeRegistry;
    std::set<std::wstring> raises, faults;  // the existence test of these names raises / faults
    int32_t RegQueryValueEx(RegKey k, const std::wstring& name, uint32_t* t, uint8_t* d,
                            uint32_t* n) override {
      if (raises.count(name)) throw RuntimeError(kErrOutOfMemory);
      if (faults.count(name)) throw std::length_error("no statement absorbs this");
      return FakeRegistry::RegQueryValueEx(k, name, t, d, n);
    }
  } reg{&log};
  struct : test::FakeRuntime {
    using FakeRuntime::FakeRuntime;
    std::map<std::wstring, uint32_t> killErrors;  // path -> the Win32 code its deletion meets
    void Kill(const std::wstring& path) override {
      if (!killErrors.count(path)) return FakeRuntime::Kill(path);
      throw RuntimeError(kErrPathFileAccess, {}, killErrors[path]);
    }
  } rt{log, fs};
  struct : test::FakeForms {
    using FakeForms::FakeForms;
    bool createFails = false;
    void CreateForm(const FormSpec& layout, IFormEvents& ev) override {
      if (createFails) throw RuntimeError(kErrOutOfMemory, {}, 1400);
      FakeForms::CreateForm(layout, ev);
    }
  } frm{log};
  IRegistry& Registry() override { return reg; }
  IRuntime& Runtime() override { return rt; }
  IForms& Forms() override { return frm; }
  const test::MessageBoxCall& Box() const { return rt.boxes.back(); }
  bool Says(const std::wstring& s) const { return Box().prompt.find(s) != std::wstring::npos; }
};

TEST(Form1Removal, OnlyAValueKnownToBeMissingIsCleanAndEveryValueIsTried) {
  struct Row {
    std::function<void(World&)> arrange;
    std::wstring line;  // the report's line; none: a clean machine, "Virus Removed!"
  } rows[] = {
      {[](World&) {}, L""},  // no Run key at all
      {[](World& w) { w.reg.InjectFailure("RegOpenKeyEx", 5, L"Version\\Run"); },
       L"\"SVCHOST\" in " + kMachineRun + L": could not be checked: access is denied\n"},
      {[](World& w) {  // tried all the same, and no later step is skipped
         for (const auto& key : {kMachineRun, kUserRun}) w.reg.SetString(key, L"QUORIN", "worm");
         w.reg.raises = {L"SVCHOST", L"QUORIN"};
       },
       L"\"SVCHOST\" in " + kMachineRun + L": could not be checked: Out of memory\n"},
      {[](World& w) {  // a 32-bit program on 64-bit Windows: two machine views, one refusing
         w.reg.SetWow64(true);
         w.system.wow64 = true;
         w.reg.SetString(kMachineRun, L"SVCHOST", "w64", View::Wow64);
         for (View v : {View::Wow32, View::Wow64}) w.reg.SetString(kMachineRun, L"MDM", "w", v);
         w.reg.InjectFailure("RegDeleteValue", 5, L"MDM", 1);
       },
       L"\"MDM\" in " + kMachineRun + L" (32-bit view): the value could not be deleted\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(CallLog::Narrow(row.line));
    World w;
    w.fs.AddFile(L"c:\\windows\\mdm.exe", 0x27);
    row.arrange(w);
    Form1 form(w);
    form.Show();
    w.frm.Tick();
    const bool clean = row.line.empty();
    EXPECT_EQ(w.frm.captions[kLabel2],
              clean ? L"Virus Cleaned" : L"The virus exists and still running");
    EXPECT_EQ(w.frm.colours[kLabel2], clean ? 0xFF00u : 0xFFu);
    form.Command1_Click();
    for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
      EXPECT_FALSE(w.reg.GetValue(kMachineRun, name, View::Wow64)) << CallLog::Narrow(name);
      EXPECT_FALSE(w.reg.GetValue(kUserRun, name)) << CallLog::Narrow(name);
    }
    EXPECT_FALSE(w.fs.Exists(L"c:\\windows\\mdm.exe"));
    EXPECT_EQ(w.Box().style, clean ? 64 : 48);
    EXPECT_TRUE(clean ? w.Box().prompt == kRemoved : w.Says(row.line))
        << CallLog::Narrow(w.Box().prompt);
  }
}

TEST(Form1Removal, EachFileFailureIsNamedForWhatItIs) {
  const std::wstring disc = kRemoved +
                            L"\n\ne:\\autorun.inf: on a read-only disc, it cannot be deleted there",
                     share = kRemoved +
                             L"\n\nNot checked, network drives that could not be reached: e:";
  const std::wstring inUse = L"it is in use by a running program",
                     denied = L"access was denied (it may be running)";
  const std::wstring restart = L"; it will be deleted when Windows restarts",
                     pending = L"it goes when the program holding it closes";
  struct Row {
    std::wstring text;  // a whole information box, or the file's line in the exclamation box
    std::vector<uint32_t> codes;
    uint32_t driveType = 3, volumeFlags = 0;
    bool scheduled = false, moveFails = false;
    OnDelete how = OnDelete::Goes;
  } rows[] = {
      {inUse + restart, {32, 33}, 3, 0, true},
      {denied + restart, {5}, 3, 0, true},
      {denied + L"; it could not be marked for deletion at restart either", {5}, 3, 0, false, true},
      {L"the disk is write-protected", {19}},
      {L"Windows error 1117 (Path/File access error)", {1117}},
      {kRemoved, {2, 3, 15, 21, 55, 123, 1005, 1112}},        // nothing there
      {disc, {5}, 5},                                         // CD or DVD
      {disc, {19}, 3, 0x80000},                               // read-only volume
      {share, {53, 67, 1222, 1231}, 4},                       // unreachable network drive
      {inUse, {32}, 2},                                       // USB stick: its letter may change
      {pending, {0}, 3, 0, false, false, OnDelete::Pending},  // "deleted", still open elsewhere
      {pending, {0}, 3, 0, false, false, OnDelete::PendingFat},
      {L"it is still there", {0}, 3, 0, false, false, OnDelete::Stays},
  };
  for (const Row& row : rows) {
    for (uint32_t code : row.codes) {
      SCOPED_TRACE(testing::Message() << CallLog::Narrow(row.text) << ", code " << code);
      World w;
      w.fs.AddFile(L"c:\\data\\target.doc", 0x23);
      w.fs.AddFile(L"c:\\quorin.exe", 0x420);  // a file link to it, removed as a link
      w.fs.Get(L"c:\\quorin.exe")->linkTarget = L"c:\\data\\target.doc";
      w.fs.AddFile(L"e:\\autorun.inf");
      w.fs.Get(L"e:\\autorun.inf")->onDelete = row.how;
      w.files.driveTypes[L'e'] = row.driveType;
      w.system.volumes[L'e'].flags = row.volumeFlags;
      w.files.moveFileExFails = row.moveFails;
      if (code) w.rt.killErrors[L"e:\\autorun.inf"] = code;
      Form1(w).Command1_Click();
      EXPECT_EQ(w.fs.Get(L"c:\\data\\target.doc")->attributes, 0x23u) << "the link was followed";
      EXPECT_EQ(w.files.deleteAtReboot.size(), row.scheduled ? 1u : 0u);
      const bool info = row.text.rfind(kRemoved, 0) == 0;
      EXPECT_EQ(w.Box().style, info ? 64 : 48);
      EXPECT_TRUE(info ? w.Box().prompt == row.text
                       : w.Says(L"\ne:\\autorun.inf: " + row.text + L"\n\nEnd the virus's process"))
          << CallLog::Narrow(w.Box().prompt);
    }
  }
}

TEST(Form1Errors, NoHiddenHangAndNoPileOfErrorBoxes) {
  World broken;  // a window that cannot be made: one box, a failure exit, no waiting
  broken.frm.createFails = true;
  EXPECT_NE(RunApplication(broken), 0);
  EXPECT_EQ(broken.rt.boxes.at(0).prompt,
            L"Quorin Cleaner could not open its window (Windows error 1400).");

  World w;  // a tick failing while the previous failure's box is still up adds none
  w.reg.AddKey(kMachineRun);
  Form1 form(w);
  form.Show();
  w.reg.faults = {L"SVCHOST"};
  int ticksInBox = 0;
  w.rt.onMessageBox = [&] { ticksInBox++ < 3 ? w.frm.Tick() : void(); };
  w.frm.Tick();
  EXPECT_EQ(ticksInBox, 1) << "a box on top of the box";
  w.frm.Tick();
  EXPECT_EQ(w.rt.boxes.size(), 2u) << "once closed, the next failure is shown again";
}

}  // namespace
}  // namespace qc
