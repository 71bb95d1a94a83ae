// The removal where Wine cannot arrange the case (failure codes, views, media, unseen drives,
// links, programs that will not end); the window driven from outside shows a real infection go.
#include "app/removal.h"

#include <gtest/gtest.h>

#include "support/fake_platform.h"

namespace qc {
namespace {

using test::FakePlatform;
using OnDelete = test::FakeFile::OnDelete;

const std::wstring kRemoved = L"Virus Removed!";
const std::wstring kHoldOff = L"; close the program holding it and press Kill Virus again";
const std::wstring kRestart =
    L"\n\nThe files marked for deletion at restart go when Windows starts again.";

// The box a run on this machine ends with.
RemovalReport RunOn(FakePlatform& p) {
  AdvancedRegistryFunctions registry(p);
  std::vector<RegistryView> views = {RegistryView::Default};
  if (p.wow64) views.push_back(RegistryView::Force64);
  return RenderRemoval(Removal(p, registry, views).Run());
}

std::wstring NotRemoved(const std::wstring& lines) {
  return L"The virus was not removed completely. These items are still there or could not be "
         L"checked:\n\n" +
         lines +
         L"\n\nEnd the virus's process in Task Manager (\"Open Task manager\") and press \"Kill "
         L"Virus\" again. If that does not help, run Quorin Cleaner as administrator.";
}

// One machine per row: the worm's files (mdm.exe read-only, a file link named quorin.exe, e:'s
// autorun.inf whose deletion meets each code in turn) and what the row adds.
TEST(Removal, EachFailureIsNamedForWhatItIsAndOnlyKnownAbsenceIsClean) {
  const std::wstring e = L"e:\\autorun.inf: ",
                     restart = L"; it will be deleted when Windows restarts";
  const std::wstring inUse = e + L"it is in use by a running program",
                     denied = e + L"access was denied (it may be running)",
                     pending = e + L"it goes when the program holding it closes",
                     locked = NotRemoved(e + L"the disk is write-protected");
  const std::wstring disc =
      kRemoved + L"\n\n" + e + L"on a read-only disc, it cannot be deleted there";
  const std::wstring network = L"\n\nNot checked, network drives that could not be reached: e:";
  const std::wstring oom = L": could not be checked: Out of memory";
  const std::wstring run = L"\" in " + std::wstring(kMachineRun),
                     userRun = L"\" in " + std::wstring(kUserRun);
  auto onDelete = [](OnDelete how) {
    return [how](FakePlatform& p) { p.files.Get(L"e:\\autorun.inf")->onDelete = how; };
  };
  auto drive = [](uint32_t type, uint32_t flags = 0) {
    return [type, flags](FakePlatform& p) {
      p.files.driveTypes[L'e'] = type;
      p.volumeFlags = flags;
    };
  };
  const auto onSystemVolume = [](FakePlatform& p) { p.systemWindowsDirectory = "E:\\WINDOWS"; };
  const uint32_t kCdRom = 5, kRemovable = 2, kRemote = 4, kUnseen = 1, kReadOnly = 0x80000;
  struct Row {
    std::wstring says;            // the whole box
    std::vector<uint32_t> codes;  // 0: the deletion succeeds
    std::function<void(FakePlatform&)> arrange = nullptr;
  } rows[] = {
      {kRemoved, {0, 2, 3, 15, 21, 123, 1005, 1112}},  // not there
      {NotRemoved(inUse + restart) + kRestart, {32, 33}, onSystemVolume},
      {NotRemoved(denied + restart) + kRestart, {5}, onSystemVolume},
      {NotRemoved(denied + L"; it could not be marked for deletion at restart either"),
       {5},
       [&](FakePlatform& p) {
         onSystemVolume(p);
         p.files.moveFails = true;
       }},
      // Elsewhere a restart may not find the drive under its letter: nothing is promised.
      {NotRemoved(denied + kHoldOff), {5}, drive(kRemote)},
      {locked, {19}},
      {NotRemoved(e + L"Windows error 1117 (Path/File access error)"), {1117}},
      {disc, {5, 19}, drive(kCdRom)},
      {disc, {1117}, drive(kCdRom, kReadOnly)},
      // A disc in use is no disc.
      {NotRemoved(inUse + kHoldOff), {32}, drive(kCdRom, kReadOnly)},
      {locked, {5, 19}, drive(kRemovable, kReadOnly)},  // a stick with its lock switch on
      // A medium that loses deletions.
      {locked,
       {0},
       [&](FakePlatform& p) {
         drive(kRemovable, kReadOnly)(p);
         onDelete(OnDelete::Stays)(p);
       }},
      {kRemoved + network, {53, 55, 67, 1222, 1231}, drive(kRemote)},
      // A mapped drive out of an elevated process's sight.
      {kRemoved + network,
       {2, 3},
       [&](FakePlatform& p) {
         drive(kUnseen)(p);
         p.registry.SetString(L"HKEY_CURRENT_USER\\Network\\E", L"RemotePath", "\\\\server\\share");
       }},
      {kRemoved, {3}, drive(kUnseen)},  // not there, and not mapped
      // "Deleted", but still open elsewhere.
      {NotRemoved(pending), {0}, onDelete(OnDelete::Pending)},
      {NotRemoved(pending), {0}, onDelete(OnDelete::PendingFat)},
      {NotRemoved(e + L"it is still there"), {0}, onDelete(OnDelete::Stays)},
      {NotRemoved(L"\"SVCHOST" + run + oom + L"\n\"SVCHOST" + userRun + oom + L"\n\"QUORIN" + run +
                  oom + L"\n\"QUORIN" + userRun + oom),
       {0},
       [](FakePlatform& p) {  // tried all the same, nothing skipped, pair by pair
         for (const std::wstring& key : {std::wstring(kMachineRun), std::wstring(kUserRun)})
           p.registry.Key(key).clear();
         p.registry.onQuery = [](const std::wstring& name) {
           if (name != L"MDM") throw RuntimeError(kErrOutOfMemory);
         };
       }},
      {NotRemoved(L"\"SVCHOST" + run + L" (32-bit view): the value could not be deleted"),
       {0},
       [](FakePlatform& p) {  // a 32-bit program on 64-bit Windows: two machine views
         p.registry.SetWow64(p.wow64 = true);
         p.registry.SetString(kMachineRun, L"SVCHOST", "w", true);
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
      for (const std::wstring& key : {std::wstring(kMachineRun), std::wstring(kUserRun)})
        p.registry.SetString(key, L"SVCHOST", "w");
      if (row.arrange) row.arrange(p);
      const RemovalReport box = RunOn(p);
      EXPECT_FALSE(p.registry.GetValue(kMachineRun, L"SVCHOST", p.wow64));
      EXPECT_FALSE(p.registry.GetValue(kUserRun, L"SVCHOST"));
      EXPECT_FALSE(p.files.Get(L"c:\\windows\\mdm.exe"));
      EXPECT_EQ(p.files.Get(L"c:\\data\\target.doc")->attributes, 0x23u) << "the link was followed";
      EXPECT_EQ(p.files.deleteAtReboot.size(), row.says.find(restart) != std::wstring::npos);
      EXPECT_EQ(box.text, row.says);
      EXPECT_EQ(box.style, row.says.rfind(kRemoved, 0) == 0 ? 64 : 48);
    }
  }
}

// Running programs are matched to the worm's files by identity, never by name or spelling; they
// go before the values (a running worm writes them back) and are looked for once more after the
// files (worm programs start each other again).
TEST(Removal, TheWormsRunningProgramsAndNothingElseAreEnded) {
  const std::wstring svchost = L"c:\\windows\\svchost.exe", quorin = L"e:\\quorin.exe";
  const std::wstring bothEnded =
      kRemoved + L"\n\nEnded the virus's running programs: " + svchost + L", " + quorin;
  const std::wstring held =
      svchost +
      L": access was denied (it may be running); it will be deleted when Windows restarts";
  enum Process { kWorm, kPartner, kSystem32, kSysWow64, kMdmElsewhere, kUnreadable, kReused };
  const std::pair<std::wstring, std::function<void(FakePlatform&)>> rows[] = {
      {bothEnded, nullptr},
      // Ended, it starts its partner again.
      {bothEnded,
       [](FakePlatform& p) {
         p.processes[kPartner].onEnd = [&p] {
           p.processes.push_back({20, L"svchost.exe", {L"c:\\windows\\svchost.exe"}});
         };
       }},
      // One may not be ended, the other does not end in time: one bound for all.
      {NotRemoved(svchost + L": its running program could not be ended: access is denied\n" +
                  quorin + L": its running program could not be ended: it did not end in time\n" +
                  held + L"\n" + quorin + L": access was denied (it may be running)" + kHoldOff) +
           kRestart,
       [](FakePlatform& p) {
         p.processes[kWorm].endable = false;
         p.processes[kPartner].lingers = true;
       }},
      {kRemoved + L"\n\nEnded the virus's running programs: " + svchost,
       [](FakePlatform& p) {  // the cleaner itself, started from a worm's file name
         p.processes[kPartner].id = p.processId;
         p.processes[kPartner].images = {L"c:\\tools\\quorin.exe"};
       }},
  };
  for (const auto& [says, arrange] : rows) {
    SCOPED_TRACE(testing::Message() << says);
    FakePlatform p;
    p.processes = {{11, L"SVCHOST.EXE", {L"z:\\windows\\svchost.exe"}},
                   {12, L"quorin.exe", {quorin}},
                   {10, L"svchost.exe", {L"c:\\windows\\system32\\svchost.exe"}},
                   {14, L"svchost.exe", {L"c:\\windows\\syswow64\\svchost.exe"}},
                   {13, L"mdm.exe", {L"d:\\tools\\mdm.exe"}},
                   {15, L"quorin.exe", {}},
                   // Its id taken by another program between the look and the ending.
                   {16, L"svchost.exe", {svchost, L"c:\\windows\\system32\\svchost.exe"}}};
    for (const test::FakeProcess& running : p.processes) {
      for (const std::wstring& image : running.images) p.files.Add(image);
    }
    p.files.Add(L"c:\\tools\\quorin.exe");
    // The worm started from a substituted drive: its image path is another spelling.
    p.files.Add(L"z:\\windows\\svchost.exe").fileIndex = p.files.Add(svchost).fileIndex;
    p.registry.onQuery = [&p](const std::wstring&) {
      if (p.processes[kWorm].running) p.registry.SetString(kMachineRun, L"SVCHOST", "w");
    };
    if (arrange) arrange(p);
    const RemovalReport box = RunOn(p);
    EXPECT_EQ(box.text, says);
    for (Process left : {kSystem32, kSysWow64, kMdmElsewhere, kUnreadable, kReused})
      EXPECT_TRUE(p.processes[left].running) << left;
    // A running worm writes its value back: the programs go before the values.
    EXPECT_EQ(!p.registry.GetValue(kMachineRun, L"SVCHOST"), !p.processes[kWorm].running);
    EXPECT_LE(p.clock, 2000);
    EXPECT_EQ(p.OpenKernelHandles(), 0);
  }
}

}  // namespace
}  // namespace qc
