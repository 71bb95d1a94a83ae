// The utility class where only logic decides or the real call must not run: conversions and
// limits, records and names the system reads, the clock, shutting down.
#include "winapi/cwinapi.h"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "platform/on_error.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::ErrorNumberOf;
using test::FakePlatform;
using Bytes = std::vector<uint8_t>;
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

TEST(CWinAPIRegistry, ConversionErrorsComeBeforeAnyWrite) {
  FakePlatform p;
  CWinAPI api(p);
  p.registry.SetValue(kScratch, L"d", win::REG_DWORD, {5, 0, 0, 0});
  String key = L"Software\\Scratch", name = L"d", notNumber = L"abc", tooBig = L"4294967296";
  Variant text = L"x";
  Long home = static_cast<Long>(win::HKEY_CURRENT_USER), type = 4, big = 256, negative = -1;
  const std::pair<std::function<void()>, int> rows[] = {
      {[&] { api.RegistryValueD(key, name, notNumber, home); }, kErrTypeMismatch},
      {[&] { api.RegistryValueD(key, name, tooBig, home); }, kErrOverflow},
      {[&] { api.RegistryGetValue(key, name, text, type, home); }, kErrTypeMismatch},
      {[&] { api.AutoRun(big); }, kErrOverflow},
      {[&] { api.AutoRun(negative); }, kErrOverflow},
  };
  for (const auto& [call, error] : rows) EXPECT_EQ(ErrorNumberOf(call), error);
  EXPECT_EQ(p.registry.GetValue(kScratch, L"d")->data, (Bytes{5, 0, 0, 0}));
  EXPECT_EQ(type, 4);
  EXPECT_FALSE(p.registry.GetValue(
      L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer",
      L"NoDriveTypeAutoRun"));
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

// Data that outgrow the key's statistics cost a few retries; data that never fit stop the listing.
TEST(CWinAPIRegistry, ListingBuffersGrowGeometricallyUpToABound) {
  FakePlatform p;
  CWinAPI api(p);
  String key = L"Software\\Scratch";
  Long home = static_cast<Long>(win::HKEY_CURRENT_USER), names = 101, datas = 102, keys = 103;
  auto& rows = p.windows.listBoxes[datas];
  p.registry.SetValue(kScratch, L"big", win::REG_BINARY, Bytes(40000, 0x5C));
  p.registry.SetString(kScratch, L"grows", "s");
  const std::string grown(400000, 'g');
  p.windows.onAddString = [&] {  // after the first row the second value grows
    if (rows.size() == 1) p.registry.SetString(kScratch, L"grows", grown);
  };
  api.RegistryEnumerateValues(key, names, datas, home);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 120000u);
  EXPECT_EQ(rows[1], L"\"" + std::wstring(grown.begin(), grown.end()) + L"\"");
  EXPECT_LT(p.registry.calls, 12);

  rows.clear();  // performance data may never fit and report no size: the rows before stay
  p.registry.calls = 0;
  p.windows.onAddString = [&] {
    if (rows.size() == 1) p.registry.InjectFailure("RegEnumValue", 234, 5000);
  };
  api.RegistryEnumerateValues(key, names, datas, home);
  EXPECT_EQ(rows.size(), 1u);
  EXPECT_LT(p.registry.calls, 40);
  p.registry.InjectFailure("RegEnumKeyEx", 234, 5000);
  p.registry.calls = 0;
  EXPECT_EQ(api.RegEnumKeys(key, keys, home), 234);
  EXPECT_LT(p.registry.calls, 40);
  EXPECT_EQ(p.registry.OpenHandles(), 0);
}

// c:\data holds a.txt, z.txt, s0\b.txt, sub-folders s1... and maybe a folder "link".
TEST(FindFilesAPI, CountersOverflowKeepingWhatWasCountedAndFolderLinksAreNotSearched) {
  using Outcome = std::tuple<int, Integer, Integer, size_t>;  // error, files, dirs, rows
  const struct {
    int subFolders;
    uint32_t linkAttributes, tag;
    Integer files, dirs;
    Outcome want;
  } rows[] = {
      {1, 0, 0, 32765, 0, {kErrOverflow, 32767, 1, 2}},  // b.txt, one level down, is too many
      {1, 0, 0, 0, 32767, {kErrOverflow, 0, 32767, 0}},
      {32768, 0, 0, 0, -32768, {kErrOverflow, 0, -1, 0}},  // one level lists at most 32767
      {1, 0x410, 0xA000000C, 0, 0, {0, 3, 2, 3}},          // symbolic link
      {1, 0x410, 0xA0000003, 0, 0, {0, 3, 2, 3}},          // junction
      {1, 0x410, 0, 0, 0, {0, 3, 2, 3}},                   // a kind not said (Wine's)
      {1, 0x410, 0x9000601A, 0, 0, {0, 4, 2, 4}},          // a cloud placeholder is searched
      {1, 0x10, 0xA000000C, 0, 0, {0, 4, 2, 4}},           // no reparse point: no link
  };
  for (const auto& row : rows) {
    FakePlatform p;
    for (const wchar_t* f : {L"a.txt", L"z.txt", L"s0\\b.txt"})
      p.files.Add(L"c:\\data\\" + String(f));
    for (int i = 1; i < row.subFolders; ++i) p.files.Add(L"c:\\data\\s" + std::to_wstring(i), 0x10);
    if (row.linkAttributes) {
      p.files.Add(L"c:\\data\\link\\inside.txt");
      p.files.Get(L"c:\\data\\link")->attributes = row.linkAttributes;
      p.files.Get(L"c:\\data\\link")->reparseTag = row.tag;
    }
    CWinAPI api(p);
    String path = L"c:\\data", pattern = L"*.txt";
    Integer files = row.files, dirs = row.dirs;
    Long box = 77;
    const int error = ErrorNumberOf([&] { api.FindFilesAPI(path, pattern, files, dirs, box); });
    EXPECT_EQ(Outcome(error, files, dirs, p.windows.listBoxes[box].size()), row.want)
        << row.subFolders << " " << row.files << " " << std::hex << row.tag;
    EXPECT_EQ(p.files.OpenFindHandles(), 0);
  }
}

TEST(CWinAPIState, TwipsPixelsTheCursorReadAfreshAndTheCatalogue) {
  FakePlatform p;
  p.runtime.twipsY = 12;
  p.windows.cursor = {10, 2731};  // 32772 twips down
  CWinAPI api(p);                 // creation never fails
  const std::tuple<Variant, Boolean, const wchar_t*> rows[] = {
      {Variant::Long(100), kFalse, L"6"},    {Variant::Double(7.5), kFalse, L"0"},
      {Variant::Double(29.6), kFalse, L"2"}, {Variant(), kFalse, L"0"},
      {Variant::Long(100), kTrue, L"8"},     {Variant(L"abc"), kFalse, L"error"}};
  for (auto row : rows) {
    std::wstring got = L"error";
    ResumeNext([&] { got = CStr(api.TtoP(std::get<0>(row), std::get<1>(row))); });
    EXPECT_EQ(got, std::get<2>(row)) << CStr(std::get<0>(row));
  }
  EXPECT_EQ(ErrorNumberOf([&] { api.MouseY(); }), kErrOverflow);
  p.windows.cursor = {11, 2730};
  EXPECT_EQ(api.MouseY(), 32760);
  const std::wstring items =
      L"Delay |DiskSpace |DocumentList |ExecuteFile |ExitWindows |FindFilesAPI |Launch "
      L"|MakeTransparentForm |MenuBitmaps |MoveFormWithoutBorders |OpenWebSite |PlayAudioCD "
      L"|PlayAvi |PlaySound |RegistryValueS |RegistryValueD |RegistryRun |RegistryDeleteValue "
      L"|RegistryNewKey |RegistryDeleteKey |RegistryCreateRightClickAccess "
      L"|RegistryCreateAssociation |RetrieveIcon |SendEmail |SetDeskWallPaper |SetHotKey "
      L"|SetMousePos |SetMyPosOnDesktop |SetMyPosTopMost |SetSysWorkArea |ShowMouse "
      L"|ShowRecycleBin |StartScreenSaver |TaskBar |TrayIcon |**********Functions**********"
      L"|GetSystemFolders()|RetrieveFileTypeName()|SoundCardDetect()|TtoP()|PtoT()"
      L"|**********Properties**********|WorkAreaLeft, WorkAreaRight, WorkAreaTop, "
      L"WorkAreaBottom|MouseX, MouseY ";
  std::wstring want = L"\r\n";
  for (wchar_t c : items) want += c == L'|' ? std::wstring(L"\r\n") : std::wstring(1, c);
  api.ListFunc();
  ASSERT_EQ(p.runtime.boxes.size(), 1u);
  EXPECT_EQ(p.runtime.boxes[0].prompt, want);
}

TEST(Multimedia, EventSoundNames) {
  FakePlatform p;
  CWinAPI api(p);
  String wav = L"c:\\media\\ding one.wav";
  for (Long func = 0; func <= 10; ++func) api.PlaySound(func, wav);  // 10: no sound
  std::vector<std::pair<std::wstring, uint32_t>> want = {{wav, 0x2001}};
  for (const wchar_t* e :
       {L"SystemStart", L"SystemExit", L"RestoreUp", L"RestoreDown", L"AppGPFault",
        L"SystemQuestion", L"SystemAsterisk", L"SystemExclamation", L"SystemHand"})
    want.emplace_back(e, 0x12001);
  EXPECT_EQ(p.multimedia.sounds, want);
}

TEST(Multimedia, DelayEndsAsTheTargetSecondBeginsCountedFromOneReading) {
  // The clock (ms) moves only while Delay waits, and by `step` at every reading.
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
    EXPECT_EQ(ErrorNumberOf([&] { api.Delay(howLong); }), error) << seconds;
    EXPECT_GE(p.runtime.clock, end) << start << " + " << seconds;
    EXPECT_LE(p.runtime.clock, end + 3 * step) << start << " + " << seconds;
    EXPECT_LE(p.runtime.waits, 1) << "no spinning: " << start << " + " << seconds;
  }
}

// The tray record byte for byte: it is what the shell reads.
TEST(CWinAPITrayIcon, TheRecordTheShellReadsAndWhenItIsSent) {
  FakePlatform p;
  CWinAPI api(p);
  auto send = [&](Long func, Long h, String tip, Picture picture) {  // message and record, if any
    p.shell.notified.clear();
    api.TrayIcon(func, h, tip, picture);
    return p.shell.notified.empty() ? std::make_pair(~0u, Bytes{}) : p.shell.notified.at(0);
  };
  const Bytes r = send(0, 0x00123456, L"Quorin", Picture(static_cast<Long>(0x80001234u))).second;
  // Size 88, window, icon id 1, flags message|icon|tip, events as mouse moves, the icon.
  const Bytes head = {88, 0, 0, 0, 0x56, 0x34, 0x12, 0, 1,    0,    0, 0,
                      7,  0, 0, 0, 0,    2,    0,    0, 0x34, 0x12, 0, 0x80};
  ASSERT_EQ(r.size(), 88u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 24), head);
  // The tip: at most 63 bytes in the ANSI code page, a NUL, blanks to the end of the field.
  const std::string ascii = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,;:!";
  const std::pair<std::wstring, std::string> tips[] = {
      {std::wstring(ascii.begin(), ascii.end()), ascii.substr(0, 63) + '\0'},
      {L"caf\u00e9", std::string("caf\xE9", 4) + '\0' + std::string(59, ' ')}};
  for (const auto& [tip, field] : tips) {
    const Bytes rec = send(0, 1, tip, Picture(5)).second;
    EXPECT_EQ(std::string(rec.begin() + 24, rec.end()), field) << field.size();
  }
  const auto added = send(0, 42, L"tip", Picture(9));
  EXPECT_EQ(added.first, 0u);
  for (Long func : {1, 2})  // modify, delete
    EXPECT_EQ(send(func, 42, L"tip", Picture(9)), std::make_pair(uint32_t(func), added.second));
  EXPECT_TRUE(send(3, 42, L"tip", Picture(9)).second.empty());
  EXPECT_EQ(ErrorNumberOf([&] { send(0, 42, L"tip", Picture()); }), kErrObjectNotSet);
}

TEST(CWinAPISystem, DiskSpaceBeyondFourGiBAndDocumentListVerbsInAnyCase) {
  FakePlatform p;
  p.system.clusters = {128, 512, 0x80000000u, 0xFFFFFFFFu};
  CWinAPI api(p);
  String e = L"e:\\data";
  Double dFree = -1, dUsed = -1, dTotal = -1;
  api.DiskSpace(e, dFree, dUsed, dTotal);  // clusters of 64 KiB
  EXPECT_EQ(
      std::make_tuple(dTotal, dFree, dUsed),
      std::make_tuple(65536.0 * 4294967295.0, 65536.0 * 2147483648.0, 65536.0 * 2147483647.0));
  String clear = L"clear", add = L"Add", other = L"x", doc = L"c:\\r.doc";
  for (String* verb : {&clear, &add, &other}) api.DocumentList(*verb, doc);
  EXPECT_EQ(p.shell.recentDocs, (std::vector<std::wstring>{L"(null)", doc}));
}

TEST(CWinAPISystem, ShutdownAndRestartHoldThePrivilegeForTheCallOnly) {
  using Seen = std::vector<std::pair<uint32_t, bool>>;  // flags, privilege enabled at the call
  const std::tuple<Long, bool, bool, Seen> rows[] = {
      {0, true, false, {{1, true}}},   {1, true, false, {{2, true}}},  {1, true, true, {{2, true}}},
      {0, false, false, {{1, false}}},  // the call is still made
      {2, true, false, {{4, false}}},  {3, true, false, {{0, false}}}, {7, true, false, {}},
  };
  for (auto [code, held, enabledBefore, want] : rows) {
    FakePlatform p;
    CWinAPI api(p);
    p.system.privilegeHeld = held;
    p.system.privilegeEnabled = enabledBefore;
    Seen seen;
    p.windows.onExitWindowsEx = [&](uint32_t flags) {
      seen.emplace_back(flags, p.system.privilegeEnabled);
    };
    api.ExitWindows(code);
    EXPECT_EQ(seen, want) << code;
    EXPECT_EQ(p.system.privilegeEnabled, enabledBefore) << code;
  }
}

}  // namespace
}  // namespace qc
