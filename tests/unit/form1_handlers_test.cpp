// The monitor (timer tick) and the removal (Kill Virus) against the test double.
#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/form1.h"
#include "app/startup.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::CallLog;
using test::FakePlatform;
using test::FakeRegistry;
using View = FakeRegistry::View;

// The window's texts, written out here independently of the program.
const std::wstring kPrefix = L"Dtetected Username is ";
const std::wstring kInfected = L"The virus exists and still running";
const std::wstring kClean = L"Virus Cleaned";
const std::wstring kInstr1 =
    L"Dosto pehlay aap aik process ko khatam karain us k liye task manager open karain.\"( Ctrl + "
    L"Alt + Delete)\" press karain aur phir 'processes' ki tab per jain.wahan per ";
const std::wstring kHeader = L"Image Name      User Name";
const std::wstring kEntry = L"Svchost.exe       ";
const std::wstring kInstr2 =
    L"Likha ho us ko \"End Process\" ker dain .Jiss Process k agay SYSTEM ya NETWORK SERVICE likha "
    L"ho us ko end nahin kerna.";
const std::wstring kInstr3 = L"Iss k bad Kill Virs per click ker dain.Lo g virus ka khatma ho gaya";

const std::wstring kMachineRun =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::wstring kUserRun =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const std::string kRunSubKey = "\"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\"";
const std::string kUserRunSubKey = "\"Software\\Microsoft\\Windows\\CurrentVersion\\Run\"";

std::wstring Instructions(const std::wstring& user) {
  const std::wstring nl = L"\r\n";
  return kInstr1 + nl + L"" + nl + kHeader + nl + L"" + nl + kEntry + user + nl + L"" + nl +
         kInstr2 + nl + kInstr3;
}

// Doubles that fail where a test says, on top of the ordinary fakes.
class ScriptedRegistry : public FakeRegistry {
 public:
  using FakeRegistry::FakeRegistry;
  std::set<std::wstring> queryRaises;     // RegQueryValueEx of these names raises
  std::set<std::wstring> vanishOnDelete;  // deleted, yet reported missing (gone meanwhile)
  bool openRaises = false;
  int32_t machineOpenError = 0;  // every opening under HKEY_LOCAL_MACHINE fails with this

  int32_t RegOpenKeyEx(RegKey hKey, const std::wstring& subKey, uint32_t options, uint32_t sam,
                       RegKey& result) override {
    if (openRaises) throw RuntimeError(kErrOutOfMemory);
    if (machineOpenError && hKey == win::HKEY_LOCAL_MACHINE) return machineOpenError;
    return FakeRegistry::RegOpenKeyEx(hKey, subKey, options, sam, result);
  }
  int32_t RegQueryValueEx(RegKey hKey, const std::wstring& name, uint32_t* type, uint8_t* data,
                          uint32_t* cbData) override {
    if (queryRaises.count(name)) throw RuntimeError(kErrOutOfMemory);
    return FakeRegistry::RegQueryValueEx(hKey, name, type, data, cbData);
  }
  int32_t RegDeleteValue(RegKey hKey, const std::wstring& name) override {
    const int32_t code = FakeRegistry::RegDeleteValue(hKey, name);
    return code == 0 && vanishOnDelete.count(name) ? win::ERROR_FILE_NOT_FOUND : code;
  }
};

class ScriptedRuntime : public test::FakeRuntime {
 public:
  ScriptedRuntime(CallLog& log, test::FakeFileSystem& fs) : FakeRuntime(log, fs), log_(log) {}
  std::map<std::wstring, uint32_t> killErrors;  // path -> Win32 code the deletion meets
  void Kill(const std::wstring& path) override {
    auto it = killErrors.find(path);
    if (it == killErrors.end()) return FakeRuntime::Kill(path);
    log_.Add("Kill", path);
    throw RuntimeError(kErrPathFileAccess, {}, it->second);
  }

 private:
  CallLog& log_;
};

class ScriptedForms : public test::FakeForms {
 public:
  using FakeForms::FakeForms;
  std::set<int> captionRaises;
  bool captionFaults = false;  // an error no statement absorbs
  bool createFails = false;
  void SetCaption(int id, const std::wstring& text) override {
    if (captionRaises.count(id)) throw RuntimeError(kErrOutOfMemory);
    if (captionFaults) throw std::length_error("caption");
    FakeForms::SetCaption(id, text);
  }
  void CreateForm(const FormSpec& layout, IFormEvents& ev) override {
    if (createFails) throw RuntimeError(kErrOutOfMemory, {}, 1400);
    FakeForms::CreateForm(layout, ev);
  }
};

class ScriptedSystem : public test::FakeSystem {
 public:
  using FakeSystem::FakeSystem;
  bool userNameRaises = false;
  int32_t GetUserName(std::string& buffer, uint32_t& size) override {
    if (userNameRaises) throw RuntimeError(kErrOutOfMemory);
    return FakeSystem::GetUserName(buffer, size);
  }
};

class TestPlatform : public FakePlatform {
 public:
  ScriptedRegistry reg{&log};
  ScriptedRuntime rt{log, fs};
  ScriptedForms frm{log};
  ScriptedSystem sys{log};
  IRegistry& Registry() override { return reg; }
  IRuntime& Runtime() override { return rt; }
  IForms& Forms() override { return frm; }
  ISystem& System() override { return sys; }

  // A 32-bit program on 64-bit Windows: two per-machine views.
  void Wow64() {
    reg.SetWow64(true);
    sys.wow64 = true;
  }
};

class Form1Test : public ::testing::Test {
 protected:
  void SetUp() override {
    p.reg.AddKey(kMachineRun);
    p.reg.AddKey(kUserRun);
    p.sys.userName = "alice";
    form.Show();
  }
  void TearDown() override { EXPECT_EQ(p.reg.OpenHandles(), 0) << "a key was left open"; }

  std::wstring Caption(int id) { return p.frm.captions[id]; }
  uint32_t Colour(int id) { return p.frm.colours[id]; }

  // Every call since the last Clear(), key handles written as "h".
  std::vector<std::string> Calls() const {
    static const std::regex handle("0x1[0-9A-F]{3}\\b");
    std::vector<std::string> out;
    for (const auto& c : p.log.Calls()) out.push_back(std::regex_replace(c, handle, "h"));
    return out;
  }

  TestPlatform p;
  Form1 form{p};
};

// --- the monitor ---------------------------------------------------------------------------------

TEST_F(Form1Test, TheLiteralsHaveTheirExactLengths) {
  EXPECT_EQ(kPrefix.size(), 22u);
  EXPECT_EQ(kInfected.size(), 34u);
  EXPECT_EQ(kClean.size(), 13u);
  EXPECT_EQ(kInstr1.size(), 166u);
  EXPECT_EQ(kHeader.size(), 25u);
  EXPECT_EQ(kEntry.size(), 18u);
  EXPECT_EQ(kInstr2.size(), 116u);
  EXPECT_EQ(kInstr3.size(), 67u);
}

TEST_F(Form1Test, BeforeTheFirstTickThePlaceholdersShow) {
  EXPECT_EQ(Caption(kLabel1), L"Label1");
  EXPECT_EQ(Caption(kLabel2), L"Label2");
  EXPECT_EQ(Caption(kLabel3), L"");
}

TEST_F(Form1Test, FirstTickOnACleanMachineWritesTheLabelsInOrder) {
  p.log.Clear();
  p.frm.Tick();
  EXPECT_EQ(Calls(), (std::vector<std::string>{
                         "SetCaption(104, \"Dtetected Username is \")",
                         "IsWow64Process()",
                         "RegOpenKeyEx(0x80000002, " + kRunSubKey + ", 0, 0x20019)",
                         "RegQueryValueEx(h, \"SVCHOST\", NULL, 0)",
                         "RegCloseKey(h)",
                         "SetCaption(103, \"Virus Cleaned\")",
                         "SetForeColour(103, 0xFF00)",
                         "SystemParametersInfo(48, 0, {0,0,0,0}, 3)",
                         "GetCursorPos()",
                         "GetUserName(255)",
                         "SetCaption(102, \"" + CallLog::Narrow(Instructions(L"alice")) + "\")",
                     }));
  EXPECT_EQ(Caption(kLabel3), kPrefix);
  EXPECT_EQ(Caption(kLabel2), kClean);
  EXPECT_EQ(Colour(kLabel2), 65280u);
  EXPECT_EQ(Caption(kLabel1), Instructions(L"alice"));
}

TEST_F(Form1Test, TheUserNameReachesLabel3OneTickLater) {
  p.frm.Tick();
  p.sys.userName = "bob";
  p.log.Clear();
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel3), kPrefix + L"alice");
  EXPECT_EQ(Caption(kLabel1), Instructions(L"bob"));
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel3), kPrefix + L"bob");
  // The instance is made once: later ticks make no second capture and ask WOW64 no more.
  EXPECT_TRUE(p.log.Matching("GetCursorPos").empty());
  EXPECT_TRUE(p.log.Matching("IsWow64Process").empty());
}

TEST_F(Form1Test, OnlySvchostInTheMachineRunKeyTurnsTheStatusRed) {
  p.reg.SetString(kUserRun, L"SVCHOST", "c:\\windows\\svchost.exe");
  p.reg.SetString(kMachineRun, L"QUORIN", "c:\\quorin.exe");
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kClean);

  p.reg.SetString(kMachineRun, L"SVCHOST", "c:\\windows\\svchost.exe");
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kInfected);
  EXPECT_EQ(Colour(kLabel2), 255u);

  p.reg.SetString(kMachineRun, L"SVCHOST", "");  // any data counts
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kInfected);
}

TEST_F(Form1Test, EitherMachineViewOnSixtyFourBitWindowsTurnsTheStatusRed) {
  p.Wow64();
  p.reg.AddKey(kMachineRun, View::Wow64);
  p.reg.SetString(kMachineRun, L"SVCHOST", "x", View::Wow64);
  p.log.Clear();
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kInfected);
  EXPECT_EQ(p.log.Matching("RegOpenKeyEx"),
            (std::vector<std::string>{"RegOpenKeyEx(0x80000002, " + kRunSubKey + ", 0, 0x20019)",
                                      "RegOpenKeyEx(0x80000002, " + kRunSubKey + ", 0, 0x20119)"}));

  p.reg.SetString(kMachineRun, L"SVCHOST", "x", View::Wow32);
  p.log.Clear();
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kInfected);
  EXPECT_EQ(p.log.Matching("RegOpenKeyEx").size(), 1u) << "the own view's answer is enough";

  form.Command1_Click();
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kClean);
  EXPECT_EQ(Colour(kLabel2), 65280u);
}

TEST_F(Form1Test, AFailingTestTakesTheInfectedBranchAndTheTickGoesOn) {
  p.frm.Tick();
  ASSERT_EQ(Caption(kLabel2), kClean);
  p.reg.queryRaises.insert(L"SVCHOST");
  p.sys.userName = "carol";
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel2), kInfected);
  EXPECT_EQ(Colour(kLabel2), 255u);
  EXPECT_EQ(Caption(kLabel1), Instructions(L"carol"));
  EXPECT_TRUE(p.rt.boxes.empty()) << "the monitor reports nothing";
}

TEST_F(Form1Test, AFailingCaptionStillSetsThatBranchsColour) {
  p.frm.captionRaises = {kLabel2, kLabel3};
  p.reg.SetString(kMachineRun, L"SVCHOST", "x");
  p.frm.Tick();
  EXPECT_EQ(Colour(kLabel2), 255u);
  EXPECT_EQ(Caption(kLabel2), L"Label2");
  EXPECT_EQ(Caption(kLabel1), Instructions(L"alice"));
  EXPECT_TRUE(p.rt.boxes.empty());
}

TEST_F(Form1Test, AFailedNameQueryKeepsTheOldNameAndBlanksComeThroughAsTheyAre) {
  p.frm.Tick();
  p.sys.userNameRaises = true;
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel1), Instructions(L"alice"));
  EXPECT_EQ(Caption(kLabel3), kPrefix + L"alice");

  // A query that merely fails returns its 255 blanks, which the labels then show.
  p.sys.userNameRaises = false;
  p.sys.fail = true;
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel1), Instructions(std::wstring(255, L' ')));
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel3), kPrefix + std::wstring(255, L' '));
}

TEST_F(Form1Test, ACursorBeyondSixteenBitsStillGivesTheUserName) {
  p.windows.cursor = {5, 30000};
  p.windows.workArea = {0, 0, 40000, 40000};
  p.frm.Tick();
  EXPECT_EQ(Caption(kLabel1), Instructions(L"alice"));
}

// --- the removal ---------------------------------------------------------------------------------

// The 56 file steps, in order: GetFileAttributes guards each one and checks a done deletion.
std::vector<std::string> FileSteps(bool present) {
  std::vector<std::string> steps;
  auto step = [&](const std::string& call, const std::string& path) {
    steps.push_back("GetFileAttributes(\"" + path + "\")");
    steps.push_back(call == "SetAttr" ? "SetAttr(\"" + path + "\", 0)" : "Kill(\"" + path + "\")");
    if (call == "Kill" && present) steps.push_back("GetFileAttributes(\"" + path + "\")");
  };
  step("SetAttr", "c:\\windows\\svchost.exe");
  step("SetAttr", "c:\\windows\\mdm.exe");
  step("Kill", "c:\\windows\\svchost.exe");
  step("Kill", "c:\\windows\\mdm.exe");
  for (const char* call : {"SetAttr", "Kill"})
    for (const char* name : {"autorun.inf", "quorin.exe"})
      for (char d = 'c'; d <= 'o'; ++d) step(call, std::string(1, d) + ":\\" + name);
  return steps;
}

// One pair: the existence test, and the deletion when the value is there.
std::vector<std::string> Pair(const std::string& subKey, const char* root, const char* name,
                              bool present, const char* readAccess = "0x20019",
                              const char* writeAccess = "0x20006") {
  std::vector<std::string> calls = {
      std::string("RegOpenKeyEx(") + root + ", " + subKey + ", 0, " + readAccess + ")",
      std::string("RegQueryValueEx(h, \"") + name + "\", NULL, 0)", "RegCloseKey(h)"};
  if (present) {
    calls.push_back(std::string("RegOpenKeyEx(") + root + ", " + subKey + ", 0, " + writeAccess +
                    ")");
    calls.push_back(std::string("RegDeleteValue(h, \"") + name + "\")");
    calls.push_back("RegCloseKey(h)");
  }
  return calls;
}

void Append(std::vector<std::string>& to, const std::vector<std::string>& more) {
  to.insert(to.end(), more.begin(), more.end());
}

std::vector<std::string> RemovalCalls(bool infected) {
  std::vector<std::string> calls = {"IsWow64Process()"};
  for (const char* name : {"SVCHOST", "QUORIN", "MDM"}) {
    Append(calls, Pair(kRunSubKey, "0x80000002", name, infected));
    Append(calls, Pair(kUserRunSubKey, "0x80000001", name, infected));
  }
  Append(calls, FileSteps(infected));
  calls.push_back("MessageBox(\"Virus Removed!\", 64, \"Quorin Cleaner\")");
  return calls;
}

void PlantFiles(test::FakeFileSystem& fs) {
  fs.AddFile(L"c:\\windows\\svchost.exe", 0x27);  // read-only, hidden, system, archive
  fs.AddFile(L"c:\\windows\\mdm.exe", 0x06);
  for (wchar_t d = L'c'; d <= L'o'; ++d) {
    fs.AddDrive(std::wstring(1, d));
    fs.AddFile(std::wstring(1, d) + L":\\autorun.inf", d == L'e' ? 0x07 : 0x20);
    fs.AddFile(std::wstring(1, d) + L":\\quorin.exe", 0x03);
  }
}

TEST_F(Form1Test, TheRemovalOfAnInfectionMakesExactlyTheseCalls) {
  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    p.reg.SetString(kMachineRun, name, "worm");
    p.reg.SetString(kUserRun, name, "worm");
  }
  PlantFiles(p.fs);
  // Decoys: the same names elsewhere.
  p.fs.AddFile(L"c:\\windows\\system32\\svchost.exe");
  p.fs.AddFile(L"p:\\autorun.inf");
  p.fs.AddFile(L"d:\\sub\\quorin.exe");
  p.reg.SetString(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other", L"SVCHOST", "keep");
  p.reg.SetString(kMachineRun, L"Updater", "keep");

  p.log.Clear();
  form.Command1_Click();
  EXPECT_EQ(Calls(), RemovalCalls(true));

  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    EXPECT_EQ(p.reg.GetValue(kMachineRun, name), nullptr);
    EXPECT_EQ(p.reg.GetValue(kUserRun, name), nullptr);
  }
  EXPECT_FALSE(p.fs.Exists(L"c:\\windows\\svchost.exe"));
  EXPECT_FALSE(p.fs.Exists(L"e:\\autorun.inf")) << "read-only, hidden and system are cleared first";
  EXPECT_FALSE(p.fs.Exists(L"o:\\quorin.exe"));
  EXPECT_TRUE(p.fs.Exists(L"c:\\windows\\system32\\svchost.exe"));
  EXPECT_TRUE(p.fs.Exists(L"p:\\autorun.inf"));
  EXPECT_TRUE(p.fs.Exists(L"d:\\sub\\quorin.exe"));
  EXPECT_NE(p.reg.GetValue(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Other", L"SVCHOST"), nullptr);
  EXPECT_NE(p.reg.GetValue(kMachineRun, L"Updater"), nullptr);
}

TEST_F(Form1Test, ACleanMachineDeletesNothingAndStillSaysVirusRemovedEveryTime) {
  p.log.Clear();
  form.Command1_Click();
  EXPECT_EQ(Calls(), RemovalCalls(false));
  p.log.Clear();
  form.Command1_Click();
  std::vector<std::string> again = RemovalCalls(false);
  again.erase(again.begin());  // WOW64 is asked once
  EXPECT_EQ(Calls(), again);
  ASSERT_EQ(p.rt.boxes.size(), 2u);
  for (const auto& b : p.rt.boxes) {
    EXPECT_EQ(b.prompt, L"Virus Removed!");
    EXPECT_EQ(b.style, 64);
    EXPECT_EQ(b.title, std::optional<std::wstring>(L"Quorin Cleaner"));
  }
}

TEST_F(Form1Test, OnSixtyFourBitWindowsBothMachineViewsAreCleaned) {
  p.Wow64();
  p.reg.AddKey(kMachineRun, View::Wow64);
  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    p.reg.SetString(kMachineRun, name, "w32", View::Wow32);
    p.reg.SetString(kMachineRun, name, "w64", View::Wow64);
    p.reg.SetString(kUserRun, name, "user");
  }
  p.log.Clear();
  form.Command1_Click();
  std::vector<std::string> expected = {"IsWow64Process()"};
  for (const char* name : {"SVCHOST", "QUORIN", "MDM"}) {
    Append(expected, Pair(kRunSubKey, "0x80000002", name, true));
    Append(expected, Pair(kRunSubKey, "0x80000002", name, true, "0x20119", "0x20106"));
    Append(expected, Pair(kUserRunSubKey, "0x80000001", name, true));
  }
  const std::vector<std::string> calls = Calls();
  ASSERT_GE(calls.size(), expected.size());
  EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + expected.size()), expected);
  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    EXPECT_EQ(p.reg.GetValue(kMachineRun, name, View::Wow32), nullptr);
    EXPECT_EQ(p.reg.GetValue(kMachineRun, name, View::Wow64), nullptr);
    EXPECT_EQ(p.reg.GetValue(kUserRun, name), nullptr);
  }
  EXPECT_EQ(p.rt.boxes.back().prompt, L"Virus Removed!");
}

TEST_F(Form1Test, AFailingExistenceTestStillRunsThatPairsDeletion) {
  p.reg.SetString(kMachineRun, L"QUORIN", "worm");
  p.reg.SetString(kUserRun, L"QUORIN", "worm");
  p.reg.queryRaises.insert(L"QUORIN");
  p.log.Clear();
  form.Command1_Click();
  std::vector<std::string> deletes;
  for (const auto& c : Calls())
    if (c.rfind("RegDeleteValue", 0) == 0) deletes.push_back(c);
  EXPECT_EQ(deletes, (std::vector<std::string>{"RegDeleteValue(h, \"QUORIN\")",
                                               "RegDeleteValue(h, \"QUORIN\")"}));
  EXPECT_EQ(p.reg.GetValue(kMachineRun, L"QUORIN"), nullptr);
  EXPECT_EQ(p.reg.GetValue(kUserRun, L"QUORIN"), nullptr);
  // The re-check after a failed deletion is no failure of its own: the value is gone.
  EXPECT_EQ(p.rt.boxes.back().prompt, L"Virus Removed!");
}

TEST_F(Form1Test, AFolderOfAWormsNameIsLeftExactlyAsItIs) {
  p.fs.AddDrive(L"e");
  p.fs.AddFolder(L"e:\\autorun.inf", 0x10 | 0x07);
  p.fs.AddFile(L"e:\\autorun.inf\\keep.txt", 0x01);
  p.fs.AddFolder(L"c:\\quorin.exe", 0x10);
  p.log.Clear();
  form.Command1_Click();
  for (const auto& c : p.log.Calls()) {
    if (c.rfind("SetAttr", 0) == 0 || c.rfind("Kill", 0) == 0) {
      EXPECT_EQ(c.find("e:\\autorun.inf"), std::string::npos) << c;
      EXPECT_EQ(c.find("c:\\quorin.exe"), std::string::npos) << c;
    }
  }
  ASSERT_NE(p.fs.Get(L"e:\\autorun.inf"), nullptr);
  EXPECT_EQ(p.fs.Get(L"e:\\autorun.inf")->attributes, 0x17u);
  EXPECT_TRUE(p.fs.Exists(L"e:\\autorun.inf\\keep.txt"));
  EXPECT_EQ(p.rt.boxes.back().prompt, L"Virus Removed!");
}

TEST_F(Form1Test, AbsenceIsNoFailure) {
  // No medium in f:, no drive g:, a value gone between the test and the deletion.
  p.fs.AddDrive(L"f");
  p.fs.Get(L"f:")->noMedium = true;
  p.fs.AddDrive(L"d");
  p.fs.AddFile(L"d:\\quorin.exe", 0x01);
  p.reg.SetString(kUserRun, L"MDM", "worm");
  p.reg.vanishOnDelete.insert(L"MDM");
  form.Command1_Click();
  // The registry class reports the vanished value itself; the removal has nothing left over.
  ASSERT_EQ(p.rt.boxes.size(), 2u);
  EXPECT_EQ(p.rt.boxes[0].prompt, L"Bad Key Name");
  EXPECT_EQ(p.rt.boxes[1].prompt, L"Virus Removed!");
  EXPECT_EQ(p.rt.boxes[1].style, 64);
  EXPECT_FALSE(p.fs.Exists(L"d:\\quorin.exe"));
  EXPECT_TRUE(p.files.deleteAtReboot.empty());
}

TEST_F(Form1Test, EachKindOfFailureIsNamedWithItsReason) {
  PlantFiles(p.fs);
  p.fs.Get(L"c:\\windows\\svchost.exe")->inUse = true;  // the running worm
  p.fs.Get(L"g:")->writeProtected = true;
  p.fs.Get(L"g:\\autorun.inf")->writeProtected = true;
  p.fs.Get(L"g:\\quorin.exe")->writeProtected = true;
  p.rt.killErrors[L"h:\\quorin.exe"] = win::ERROR_ACCESS_DENIED;
  p.rt.killErrors[L"i:\\quorin.exe"] = 1117;  // an I/O error
  p.reg.SetString(kMachineRun, L"SVCHOST", "worm");
  p.reg.DenyWrite(kMachineRun);  // not an administrator
  p.reg.SetString(kUserRun, L"QUORIN", "worm");
  p.reg.InjectFailure("RegDeleteValue", win::ERROR_ACCESS_DENIED, L"QUORIN");

  form.Command1_Click();

  EXPECT_EQ(p.files.deleteAtReboot,
            (std::vector<std::wstring>{L"c:\\windows\\svchost.exe", L"h:\\quorin.exe"}));
  EXPECT_EQ(p.log.Matching("MoveFileEx").front(),
            "MoveFileEx(\"c:\\windows\\svchost.exe\", \"NULL\", 4)");
  ASSERT_EQ(p.rt.boxes.size(), 2u);
  // The registry class's own box for the failed deletion stays on.
  EXPECT_EQ(p.rt.boxes[0].prompt, L"Access To this key Is Denied");
  const test::MessageBoxCall& box = p.rt.boxes[1];
  EXPECT_EQ(box.style, 48);
  EXPECT_EQ(box.title, std::optional<std::wstring>(L"Quorin Cleaner"));
  EXPECT_EQ(box.prompt.find(L"Virus Removed"), std::wstring::npos);
  const std::wstring expected =
      L"The virus was not removed completely. These items are still there or could not be "
      L"checked:\n\n"
      L"\"SVCHOST\" in " +
      kMachineRun +
      L": the value could not be deleted: access is denied\n"
      L"\"QUORIN\" in " +
      kUserRun +
      L": the value could not be deleted\n"
      L"c:\\windows\\svchost.exe: it is in use by a running program; it will be deleted when "
      L"Windows restarts\n"
      L"g:\\autorun.inf: the disk is write-protected\n"
      L"g:\\quorin.exe: the disk is write-protected\n"
      L"h:\\quorin.exe: access was denied (it may be running); it will be deleted when Windows "
      L"restarts\n"
      L"i:\\quorin.exe: Windows error 1117 (Path/File access error)\n"
      L"\nEnd the virus's process in Task Manager (\"Open Task manager\") and press \"Kill "
      L"Virus\" again. If that does not help, run Quorin Cleaner as administrator.\n\n"
      L"The files marked for deletion at restart go when Windows starts again.";
  EXPECT_EQ(box.prompt, expected);
  // Everything else was still removed.
  EXPECT_FALSE(p.fs.Exists(L"c:\\windows\\mdm.exe"));
  EXPECT_FALSE(p.fs.Exists(L"o:\\autorun.inf"));
}

TEST_F(Form1Test, AFileThatCannotBeScheduledForRestartIsSaidSo) {
  p.fs.AddFile(L"c:\\windows\\mdm.exe");
  p.fs.Get(L"c:\\windows\\mdm.exe")->inUse = true;
  p.files.moveFileExFails = true;
  form.Command1_Click();
  ASSERT_EQ(p.rt.boxes.size(), 1u);
  EXPECT_NE(p.rt.boxes[0].prompt.find(L"c:\\windows\\mdm.exe: it is in use by a running program; "
                                      L"it could not be marked for deletion at restart either\n"),
            std::wstring::npos)
      << CallLog::Narrow(p.rt.boxes[0].prompt);
  EXPECT_EQ(p.rt.boxes[0].prompt.find(L"go when Windows starts again"), std::wstring::npos);
  EXPECT_EQ(p.rt.boxes[0].style, 48);
}

TEST_F(Form1Test, ThePressWorksBeforeAnyTickAndTicksRunInsideItsBox) {
  Form1 fresh(p);  // no tick yet: the removal makes the registry instance itself
  fresh.Show();
  p.reg.SetString(kMachineRun, L"SVCHOST", "worm");
  p.frm.Tick();
  ASSERT_EQ(Caption(kLabel2), kInfected);
  std::wstring statusDuringBox;
  p.rt.onMessageBox = [&] {
    p.frm.Tick();
    statusDuringBox = Caption(kLabel2);
  };
  p.frm.Click(kCommand1);
  EXPECT_EQ(statusDuringBox, kClean);
  EXPECT_EQ(p.rt.boxes.back().prompt, L"Virus Removed!");
}

TEST_F(Form1Test, AValueThatCannotBeDeletedInOneViewIsReportedForThatView) {
  p.Wow64();
  p.reg.AddKey(kMachineRun, View::Wow64);
  p.reg.SetString(kMachineRun, L"MDM", "w32", View::Wow32);
  p.reg.SetString(kMachineRun, L"MDM", "w64", View::Wow64);
  p.reg.InjectFailure("RegDeleteValue", win::ERROR_ACCESS_DENIED, L"MDM", 1);
  p.rt.onMessageBox = [&] { p.frm.Tick(); };
  form.Command1_Click();
  EXPECT_NE(p.reg.GetValue(kMachineRun, L"MDM", View::Wow32), nullptr);
  EXPECT_EQ(p.reg.GetValue(kMachineRun, L"MDM", View::Wow64), nullptr);
  const std::wstring report = p.rt.boxes.back().prompt;
  EXPECT_NE(
      report.find(L"\"MDM\" in " + kMachineRun + L" (32-bit view): the value could not be deleted"),
      std::wstring::npos)
      << CallLog::Narrow(report);
  EXPECT_EQ(report.find(L"(64-bit view)"), std::wstring::npos);
}

TEST_F(Form1Test, AnErrorThatEscapesNothingStopsTheRemoval) {
  p.reg.openRaises = true;  // every registry call raises
  PlantFiles(p.fs);
  form.Command1_Click();
  EXPECT_FALSE(p.fs.Exists(L"c:\\windows\\svchost.exe"));
  EXPECT_FALSE(p.fs.Exists(L"o:\\quorin.exe"));
  ASSERT_FALSE(p.rt.boxes.empty());
  const test::MessageBoxCall& box = p.rt.boxes.back();
  EXPECT_EQ(box.style, 48) << "a value that could not even be tested is reported";
  EXPECT_NE(box.prompt.find(L"\"MDM\" in " + kUserRun + L": could not be checked: Out of memory"),
            std::wstring::npos)
      << CallLog::Narrow(box.prompt);
}

// --- can't tell, discs, network drives, links, files that stay -----------------------------------

TEST_F(Form1Test, OnlyAValueKnownToBeMissingIsClean) {
  struct Row {
    const char* what;
    std::function<void(TestPlatform&)> arrange;
    const wchar_t* reportLine;  // null: clean, "Virus Removed!"
  } rows[] = {
      {"no Run key at all", [](TestPlatform& t) { t.reg.machineOpenError = 2; }, nullptr},
      {"unreadable Run key", [](TestPlatform& t) { t.reg.machineOpenError = 5; },
       L": could not be checked: access is denied\n"},
      {"value unreadable",
       [](TestPlatform& t) { t.reg.InjectFailure("RegQueryValueEx", 1012, L"SVCHOST"); },
       L": could not be checked: Windows error 1012\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TestPlatform t;
    t.reg.AddKey(kMachineRun);
    t.reg.AddKey(kUserRun);
    row.arrange(t);
    Form1 f(t);
    f.Show();
    t.frm.Tick();
    EXPECT_EQ(t.frm.captions[kLabel2], row.reportLine ? kInfected : kClean);
    f.Command1_Click();
    const test::MessageBoxCall& box = t.rt.boxes.back();
    if (!row.reportLine) {
      EXPECT_EQ(box.prompt, L"Virus Removed!");
      continue;
    }
    EXPECT_EQ(box.style, 48);
    EXPECT_NE(box.prompt.find(L"\"SVCHOST\" in " + kMachineRun + row.reportLine),
              std::wstring::npos)
        << CallLog::Narrow(box.prompt);
  }
}

TEST_F(Form1Test, DiscsRemovableAndNetworkDrivesAreToldApart) {
  const std::wstring disc =
      L"Virus Removed!\n\ne:\\autorun.inf: on a read-only disc, it cannot be deleted there";
  const std::wstring share =
      L"Virus Removed!\n\nNot checked, network drives that could not be reached: e:";
  struct Row {
    const char* what;
    uint32_t driveType, volumeFlags, killError;
    int style;
    std::wstring box;  // the whole text of an information box, a line of an exclamation box
  } rows[] = {
      {"CD-ROM", 5, 0, 5, 64, disc},
      {"read-only volume", 3, 0x80000, 19, 64, disc},
      {"unreachable share", 4, 0, 1231, 64, share},
      {"no network", 4, 0, 1222, 64, share},
      {"share gone", 4, 0, 67, 64, share},
      {"no file system", 3, 0, 1005, 64, L"Virus Removed!"},
      {"invalid name", 3, 0, 123, 64, L"Virus Removed!"},
      {"USB stick, file in use", 2, 0, 32, 48,
       L"\ne:\\autorun.inf: it is in use by a running program\n\nEnd the virus's process"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TestPlatform t;
    t.fs.AddFile(L"e:\\autorun.inf");
    t.files.driveTypes[L'e'] = row.driveType;
    t.sys.volumes[L'e'].flags = row.volumeFlags;
    t.rt.killErrors[L"e:\\autorun.inf"] = row.killError;
    Form1 f(t);
    f.Command1_Click();
    const test::MessageBoxCall& box = t.rt.boxes.back();
    EXPECT_EQ(box.style, row.style);
    if (row.style == 64) {
      EXPECT_EQ(box.prompt, row.box);
    } else {
      EXPECT_NE(box.prompt.find(row.box), std::wstring::npos) << CallLog::Narrow(box.prompt);
    }
    EXPECT_TRUE(t.files.deleteAtReboot.empty()) << "nothing scheduled where it cannot happen";
  }
}

TEST_F(Form1Test, LinksGoAsLinksAndOnlyAFileThatIsGoneCountsRemoved) {
  using OnDelete = test::FakeEntry::OnDelete;
  p.fs.AddFile(L"c:\\data\\target.doc", 0x23);  // read-only, hidden
  p.fs.AddFile(L"c:\\quorin.exe", 0x420);       // a link to it
  p.fs.Get(L"c:\\quorin.exe")->linkTarget = L"c:\\data\\target.doc";
  const std::pair<const wchar_t*, OnDelete> stay[] = {
      {L"d:\\autorun.inf", OnDelete::Pending},
      {L"e:\\autorun.inf", OnDelete::PendingFat},
      {L"f:\\autorun.inf", OnDelete::Stays},
  };
  for (const auto& [path, how] : stay) {
    p.fs.AddFile(path);
    p.fs.Get(path)->onDelete = how;
  }
  form.Command1_Click();
  EXPECT_FALSE(p.fs.Exists(L"c:\\quorin.exe"));
  EXPECT_EQ(p.fs.Get(L"c:\\data\\target.doc")->attributes, 0x23u) << "the link was followed";
  const std::wstring& report = p.rt.boxes.back().prompt;
  EXPECT_EQ(p.rt.boxes.back().style, 48);
  for (const wchar_t* line : {L"\nd:\\autorun.inf: it goes when the program holding it closes\n",
                              L"\ne:\\autorun.inf: it goes when the program holding it closes\n",
                              L"\nf:\\autorun.inf: it is still there\n"}) {
    EXPECT_NE(report.find(line), std::wstring::npos) << CallLog::Narrow(line);
  }
  EXPECT_EQ(report.find(L"quorin.exe"), std::wstring::npos) << CallLog::Narrow(report);
}

TEST_F(Form1Test, NoHiddenHangAndNoPileOfErrorBoxes) {
  // A window that cannot be made: one box, a failure exit, no waiting.
  TestPlatform t;
  t.frm.createFails = true;
  EXPECT_NE(RunApplication(t), 0);
  ASSERT_EQ(t.rt.boxes.size(), 1u);
  EXPECT_EQ(t.rt.boxes[0].prompt,
            L"Quorin Cleaner could not open its window (Windows error 1400).");

  // A tick failing while the box of the previous failure is still up adds none.
  p.frm.captionFaults = true;
  int ticksInBox = 0;
  p.rt.onMessageBox = [&] {
    if (ticksInBox++ < 3) p.frm.Tick();
  };
  p.frm.Tick();
  EXPECT_EQ(ticksInBox, 1);
  EXPECT_EQ(p.rt.boxes.size(), 1u);
  p.frm.Tick();
  EXPECT_EQ(p.rt.boxes.size(), 2u) << "once closed, the next failure is shown again";
}

}  // namespace
}  // namespace qc
