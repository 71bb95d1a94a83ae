// The utility class where only logic decides or the real call must not run: conversions and
// limits, records and names the system reads, the clock, shutting down.
#include "winapi/cwinapi.h"

#include <gtest/gtest.h>

#include "platform/on_error.h"
#include "support/fake_platform.h"

namespace qc {
namespace {

using test::ErrorNumberOf;
using test::FakePlatform;
using Bytes = std::vector<uint8_t>;
const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

// Numbers out of range raise before anything is written. Data that outgrow the key's statistics
// cost a few retries; data that never fit stop the listing.
TEST(CWinAPIRegistry, OverflowBeforeAnyWriteAndListingBuffersGrowUpToABound) {
  FakePlatform p;
  CWinAPI api(p);
  String key = L"Software\\Scratch", name = L"d", tooBig = L"4294967296";
  Long home = static_cast<Long>(win::HKEY_CURRENT_USER), names = 101, datas = 102, keys = 103;
  for (Long code : {256, -1}) EXPECT_EQ(ErrorNumberOf([&] { api.AutoRun(code); }), kErrOverflow);
  EXPECT_EQ(p.registry.calls, 0);
  EXPECT_EQ(ErrorNumberOf([&] { api.RegistryValueD(key, name, tooBig, home); }), kErrOverflow);
  EXPECT_TRUE(p.registry.Key(kScratch).empty());

  auto& rows = p.listBoxes[datas];
  p.registry.Key(kScratch)[L"big"] = {win::REG_BINARY, Bytes(40000, 0x5C)};
  p.registry.SetString(kScratch, L"grows", "s");
  const std::string grown(400000, 'g');
  p.onAddString = [&] {  // after the first row the second value grows
    if (rows.size() == 1) p.registry.SetString(kScratch, L"grows", grown);
  };
  api.RegistryEnumerateValues(key, names, datas, home);
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].size(), 120000u);
  EXPECT_EQ(rows[1], L"\"" + std::wstring(grown.begin(), grown.end()) + L"\"");
  EXPECT_LT(p.registry.calls, 12);
  // A longest size of 0xFFFFFFFF is bounded (not wrapped to 0); memory running out is error 7.
  p.registry.reportedLongest = 0xFFFFFFFFu;
  p.onAddString = [] { throw std::bad_alloc(); };
  EXPECT_EQ(ErrorNumberOf([&] { api.RegistryEnumerateValues(key, names, datas, home); }),
            kErrOutOfMemory);

  rows.clear();  // performance data may never fit and report no size: the rows before stay
  p.registry.calls = 0;
  p.onAddString = [&] {
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
  // Sub-folders, the link's attributes and tag, the counters' start, the outcome.
  const std::tuple<int, uint32_t, uint32_t, Integer, Integer, Outcome> rows[] = {
      {1, 0, 0, 32765, 0, {kErrOverflow, 32767, 1, 2}},  // b.txt, one level down, is too many
      {1, 0, 0, 0, 32767, {kErrOverflow, 0, 32767, 0}},
      {32768, 0, 0, 0, -32768, {kErrOverflow, 0, -1, 0}},  // one level lists at most 32767
      {1, 0x410, 0xA000000C, 0, 0, {0, 3, 2, 3}},          // symbolic link
      {1, 0x410, 0xA0000003, 0, 0, {0, 3, 2, 3}},          // junction
      {1, 0x410, 0, 0, 0, {0, 3, 2, 3}},                   // a kind not said (Wine's)
      {1, 0x410, 0x9000601A, 0, 0, {0, 4, 2, 4}},          // a cloud placeholder is searched
      {1, 0x10, 0xA000000C, 0, 0, {0, 4, 2, 4}},           // no reparse point: no link
  };
  for (auto [subFolders, linkAttributes, tag, startFiles, startDirs, want] : rows) {
    FakePlatform p;
    for (auto f : {L"a.txt", L"z.txt", L"s0\\b.txt"}) p.files.Add(L"c:\\data\\" + String(f));
    for (int i = 1; i < subFolders; ++i) p.files.Add(L"c:\\data\\s" + std::to_wstring(i), 0x10);
    if (linkAttributes) {
      p.files.Add(L"c:\\data\\link\\inside.txt");
      p.files.Add(L"c:\\data\\link", linkAttributes).reparseTag = tag;
    }
    CWinAPI api(p);
    String path = L"c:\\data", pattern = L"*.txt";
    Integer files = startFiles, dirs = startDirs;
    Long box = 77;
    const int error = ErrorNumberOf([&] { api.FindFilesAPI(path, pattern, files, dirs, box); });
    EXPECT_EQ(Outcome(error, files, dirs, p.listBoxes[box].size()), want)
        << subFolders << " " << startFiles << " " << std::hex << tag;
    EXPECT_EQ(p.files.OpenFindHandles(), 0);
  }
}

TEST(CWinAPIState, TwipsPixelsAndTheCursorReadAfresh) {
  FakePlatform p;
  p.twipsY = 12;
  p.cursor = {10, 2731};  // 32772 twips down
  CWinAPI api(p);         // creation never fails
  const std::tuple<Variant, Boolean, const wchar_t*> rows[] = {
      {Variant::Long(100), kFalse, L"6"},    {Variant::Double(7.5), kFalse, L"0"},
      {Variant::Double(29.6), kFalse, L"2"}, {Variant(), kFalse, L"0"},
      {Variant::Long(100), kTrue, L"8"},     {Variant(L"abc"), kFalse, L"error"}};
  for (auto row : rows) {
    std::wstring got = L"error";
    ResumeNext([&] { got = CStr(api.TtoP(std::get<0>(row), std::get<1>(row))); });
    EXPECT_EQ(got, std::get<2>(row)) << CStr(std::get<0>(row));
  }
  // At 96 to 384 pixels per inch, PtoT's twips are the same pixels to TtoP and TryIcnRtnMsg.
  for (float dpi : {96.f, 120.f, 144.f, 168.f, 192.f, 216.f, 240.f, 384.f}) {
    p.twipsX = 1440 / dpi;
    for (Long n : {1, 7, 513, 1000, 1919}) {
      Variant pixels = Variant::Long(n), twips = api.PtoT(pixels);
      Single x = static_cast<Single>(CDbl(twips));
      EXPECT_EQ(CLng(api.TtoP(twips)), n) << dpi;
      EXPECT_EQ(std::make_pair(api.TryIcnRtnMsg(x), x),
                std::make_pair(n == 513 ? n : 0, Single(n)));
    }
  }
  EXPECT_EQ(ErrorNumberOf([&] { api.MouseY(); }), kErrOverflow);
  p.cursor = {11, 2730};
  EXPECT_EQ(api.MouseY(), 32760);
}

TEST(Multimedia, DelayEndsAsTheTargetSecondBeginsCountedFromOneReading) {
  // The clock (ms) moves only while Delay waits, and by `step` at every reading.
  const std::tuple<int64_t, double, int64_t, int64_t, int> rows[] = {
      {1000999, 1, 1, 1001000, 0},                                   // the second turns meanwhile
      {1000500, 2.5, 0, 1002000, 0}, {1000500, 3.5, 0, 1004000, 0},  // halves to even
      {1000500, -5, 0, 1000500, 0},  {1000500, 1e12, 0, 1000500, kErrOverflow},
  };
  FakePlatform p;
  CWinAPI api(p);
  for (auto [start, seconds, step, end, error] : rows) {
    p.clock = start, p.clockStep = step, p.waits = 0;
    Double howLong = seconds;
    EXPECT_EQ(ErrorNumberOf([&] { api.Delay(howLong); }), error) << seconds;
    EXPECT_TRUE(p.clock >= end && p.clock <= end + 3 * step) << start << " + " << seconds;
    EXPECT_LE(p.waits, 1) << "no spinning: " << start << " + " << seconds;
  }
}

// What the shell reads: the tray record byte for byte, and the sounds' names.
TEST(CWinAPIShell, TheTrayRecordWhenItIsSentAndTheEventSounds) {
  FakePlatform p;
  CWinAPI api(p);
  Long window = 0x00123456;
  auto send = [&](Long func, String tip, Picture picture) {  // message and record, if any
    p.notified.clear();
    api.TrayIcon(func, window, tip, picture);
    return p.notified.empty() ? std::make_pair(~0u, Bytes{}) : p.notified.at(0);
  };
  const Picture icon(static_cast<Long>(0x80001234u));
  const auto [message, r] = send(0, L"Quorin", icon);
  // Added: size 88, window, icon id 1, flags message|icon|tip, events as mouse moves, the icon;
  // the tip: at most 63 bytes in the ANSI code page, a NUL, blanks to the end of the field.
  const Bytes head = {88, 0, 0, 0, 0x56, 0x34, 0x12, 0, 1,    0,    0, 0,
                      7,  0, 0, 0, 0,    2,    0,    0, 0x34, 0x12, 0, 0x80};
  ASSERT_EQ(std::make_pair(message, r.size()), std::make_pair(0u, size_t{88}));
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 24), head);
  EXPECT_EQ(std::string(r.begin() + 24, r.end()),
            std::string("Quorin\0", 7) + std::string(57, ' '));
  const Bytes cut = send(0, L"caf\u00e9" + std::wstring(70, L'x'), icon).second;
  EXPECT_EQ(std::string(cut.begin() + 24, cut.end()), "caf\xE9" + std::string(59, 'x') + '\0');
  for (Long func : {1, 2})  // modify, delete
    EXPECT_EQ(send(func, L"Quorin", icon), std::make_pair(uint32_t(func), r));
  EXPECT_EQ(send(3, L"Quorin", icon).first, ~0u);
  EXPECT_EQ(ErrorNumberOf([&] { send(0, L"Quorin", Picture()); }), kErrObjectNotSet);

  String wav = L"c:\\media\\ding one.wav";
  for (Long func = 0; func <= 10; ++func) api.PlaySound(func, wav);  // 10: no sound
  ASSERT_EQ(p.sounds.size(), 10u);
  EXPECT_EQ(std::make_pair(p.sounds[0], p.sounds[9]),
            std::make_pair(std::make_pair(wav, 0x2001u),
                           std::make_pair(std::wstring(L"SystemHand"), 0x12001u)));
}

// Names the system would get changed; disk space past 4 GiB; DocumentList's verbs in any case;
// programs started; shutting down holds the privilege for the call only.
TEST(CWinAPISystem, NamesDiskSpaceDocumentListStartingAndShuttingDown) {
  FakePlatform p;
  p.clusters = {128, 512, 0x80000000u, 0xFFFFFFFFu};  // clusters of 64 KiB
  CWinAPI api(p);
  String e = L"e:\\data", clear = L"clear", add = L"Add", other = L"x", doc = L"c:\\r.doc";
  // Names with a NUL, or a character the code page has no code for, reach no call nor value.
  String command, run = L"software\\microsoft\\windows\\currentversion\\run", v = L"v";
  String nul(L"c:\\a\0b", 6);
  Long zero = 0, home = static_cast<Long>(win::HKEY_LOCAL_MACHINE);
  Byte one = 1;
  api.OpenWebSite(nul, zero);
  for (String bad : {nul, String(L"c:\\\u0416")}) {
    api.DocumentList(add, bad);
    api.SetDeskWallPaper(one, bad);
    api.PlaySound(zero, bad);
    api.PlayAvi(bad);
    api.ExecuteFile(doc, zero, bad);
    api.RegistryValueS(run, v, bad, home);
    api.RegistryRun(v, bad);
    api.RegistryCreateRightClickAccess(bad, command);
    api.RegistryCreateAssociation(v, v, bad);  // ".v", of type "v"
    EXPECT_TRUE(p.registry.Key(L"HKEY_CLASSES_ROOT\\*\\shell\\" + bad + L"\\Command").empty());
  }
  EXPECT_TRUE(p.handedOn.empty() && p.sounds.empty() && p.recentDocs.empty());
  EXPECT_TRUE(p.registry.Key(L"HKEY_LOCAL_MACHINE\\" + run).empty() &&
              p.registry.Key(L"HKEY_CLASSES_ROOT\\.v").empty());
  Double dFree = -1, dUsed = -1, dTotal = -1;
  api.DiskSpace(e, dFree, dUsed, dTotal);
  EXPECT_EQ(std::make_tuple(dTotal / 65536, dFree / 65536, dUsed / 65536),
            std::make_tuple(4294967295.0, 2147483648.0, 2147483647.0));
  p.freeToCaller = 3ull << 40;
  p.totalBytes = 1ull << 52;  // past 2^32 clusters
  api.DiskSpace(e, dFree, dUsed, dTotal);
  EXPECT_EQ(std::make_pair(dFree, dTotal), std::make_pair(3.0 * (1ull << 40), 0x1p52));
  for (String* verb : {&clear, &add, &other}) api.DocumentList(*verb, doc);
  EXPECT_EQ(p.recentDocs, (std::vector<std::wstring>{L"(null)", doc}));
  // System programs by their full paths; the Open With dialog for a failure up to 32; COM once.
  api.ShowRecycleBin(zero);
  api.OpenWebSite(doc, zero);
  EXPECT_EQ(p.handedOn.at(0),
            L"C:\\WINDOWS\\explorer.exe|/root,::{645FF040-5081-101B-9F08-00AA002F954E}");
  EXPECT_EQ(p.handedOn.at(2),
            L"C:\\WINDOWS\\system32\\rundll32.exe|rundll32.exe shell32.dll,OpenAs_RunDLL " + doc);
  EXPECT_EQ(p.comInits, 1);

  using Seen = std::vector<std::pair<uint32_t, bool>>;  // flags, privilege enabled at the call
  const std::tuple<Long, bool, bool, Seen> rows[] = {
      {0, true, false, {{1, true}}},
      {1, true, true, {{2, true}}},
      {0, false, false, {{1, false}}},  // the call is still made
      {2, true, false, {{4, false}}},
      {3, true, false, {{0, false}}},
      {7, true, false, {}},
  };
  for (auto [code, held, enabledBefore, want] : rows) {
    p.exits.clear(), p.privilegeHeld = held, p.privilegeEnabled = enabledBefore;
    api.ExitWindows(code);
    EXPECT_EQ(std::make_pair(p.exits, p.privilegeEnabled), std::make_pair(want, enabledBefore))
        << code;
  }
}

}  // namespace
}  // namespace qc
