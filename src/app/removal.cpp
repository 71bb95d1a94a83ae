#include "app/removal.h"

#include <algorithm>
#include <cwctype>
#include <utility>

#include "platform/on_error.h"
#include "platform/privilege_for_scope.h"
#include "platform/redirection_off.h"
#include "platform/runtime_error.h"
#include "platform/system_folder.h"
#include "platform/unique_key.h"
#include "platform/win_constants.h"

namespace qc {
namespace {

constexpr const wchar_t* kWindowsFiles[] = {L"c:\\windows\\svchost.exe", L"c:\\windows\\mdm.exe"};
constexpr wchar_t kFirstDrive = L'c';
constexpr wchar_t kLastDrive = L'o';
constexpr wchar_t kAutorun[] = L"autorun.inf";
constexpr wchar_t kRootProgram[] = L"quorin.exe";
// The names the worm's programs run under; only these are looked at more closely.
constexpr const wchar_t* kProgramNames[] = {L"svchost.exe", L"mdm.exe", L"quorin.exe"};
// How long the ended programs may take to go, all together.
constexpr uint32_t kEndingBoundMs = 2000;
constexpr uint32_t kEndedExitCode = 1;
// Where Windows keeps the drive letters a user mapped to stay ("Network\e"), with the share.
constexpr wchar_t kMappedDrives[] = L"Network\\";
constexpr wchar_t kMappedShare[] = L"RemotePath";

constexpr wchar_t kRemoved[] = L"Virus Removed!";
constexpr wchar_t kNotRemoved[] =
    L"The virus was not removed completely. These items are still there or could not be "
    L"checked:\n\n";
constexpr wchar_t kAdvice[] =
    L"\nEnd the virus's process in Task Manager (\"Open Task manager\") and press \"Kill "
    L"Virus\" again. If that does not help, run Quorin Cleaner as administrator.";
constexpr wchar_t kRestartNote[] =
    L"\n\nThe files marked for deletion at restart go when Windows starts again.";
constexpr wchar_t kOnDisc[] = L": on a read-only disc, it cannot be deleted there";
constexpr wchar_t kNotChecked[] = L"Not checked, network drives that could not be reached: ";
constexpr wchar_t kEnded[] = L"Ended the virus's running programs: ";
constexpr wchar_t kNotEnded[] = L"its running program could not be ended: ";
constexpr wchar_t kInUse[] = L"it is in use by a running program";
constexpr wchar_t kDenied[] = L"access was denied (it may be running)";
constexpr wchar_t kWriteProtected[] = L"the disk is write-protected";
constexpr wchar_t kPending[] = L"it goes when the program holding it closes";

std::wstring RootFile(wchar_t drive, const wchar_t* name) {
  return std::wstring(1, drive) + L":\\" + name;
}

// The worm's program files: the two in the Windows folder and quorin.exe in each drive's root.
std::vector<std::wstring> ProgramFiles() {
  std::vector<std::wstring> files(std::begin(kWindowsFiles), std::end(kWindowsFiles));
  for (wchar_t d = kFirstDrive; d <= kLastDrive; ++d) files.push_back(RootFile(d, kRootProgram));
  return files;
}

bool IsWormProgramName(const std::wstring& exeName) {
  std::wstring lower = exeName;
  for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(c));
  return std::find(std::begin(kProgramNames), std::end(kProgramNames), lower) !=
         std::end(kProgramNames);
}

// Why a registry or process call failed, for the report.
std::wstring Reason(int32_t code) {
  if (code == win::ERROR_ACCESS_DENIED) return L"access is denied";
  return L"Windows error " + std::to_wstring(code);
}

// A file by what it is rather than how it is spelt: volume and file index. The file is opened
// for its attributes only and shares everything, so a running program's image opens too.
bool IdentityOf(IProcesses& processes, const std::wstring& path, FileIdentity& identity) {
  const UniqueHandle file(
      processes,
      processes.CreateFile(path, win::FILE_READ_ATTRIBUTES,
                           win::FILE_SHARE_READ | win::FILE_SHARE_WRITE | win::FILE_SHARE_DELETE,
                           win::OPEN_EXISTING, 0));
  return file.valid() && processes.GetFileInformationByHandle(file.get(), identity) != 0;
}

struct Target {
  std::wstring path;
  FileIdentity identity;
};

// Which of the targets a process runs from; -1 when none, or when its image cannot be read.
int TargetOf(IProcesses& processes, int32_t process, const std::vector<Target>& targets) {
  std::wstring image;
  FileIdentity identity;
  if (!processes.QueryFullProcessImageName(process, 0, image) ||
      !IdentityOf(processes, image, identity)) {
    return -1;
  }
  for (size_t i = 0; i < targets.size(); ++i) {
    if (targets[i].identity == identity) return static_cast<int>(i);
  }
  return -1;
}

// Failures that only say the thing is not there (value, file, folder, drive, medium, or no
// usable file system behind the letter): there is nothing to remove, so they are no failure.
const std::vector<int32_t> kAbsence = {win::ERROR_FILE_NOT_FOUND,   win::ERROR_PATH_NOT_FOUND,
                                       win::ERROR_INVALID_DRIVE,    win::ERROR_NOT_READY,
                                       win::ERROR_INVALID_NAME,     win::ERROR_UNRECOGNIZED_VOLUME,
                                       win::ERROR_NO_MEDIA_IN_DRIVE};
// A network drive that could not be reached may still hold the worm: not checked, not clean.
const std::vector<int32_t> kUnreachable = {win::ERROR_BAD_NETPATH, win::ERROR_DEV_NOT_EXIST,
                                           win::ERROR_BAD_NET_NAME, win::ERROR_NO_NETWORK,
                                           win::ERROR_NETWORK_UNREACHABLE};
const std::vector<int32_t> kSharing = {win::ERROR_SHARING_VIOLATION, win::ERROR_LOCK_VIOLATION};
const std::vector<int32_t> kRefused = {win::ERROR_ACCESS_DENIED, win::ERROR_WRITE_PROTECT};
const std::vector<int32_t> kWriteProtect = {win::ERROR_WRITE_PROTECT};
const std::vector<int32_t> kAccessDenied = {win::ERROR_ACCESS_DENIED};
const std::vector<int32_t> kAnyCode = {};

// Where a rule applies.
enum class Where {
  Anywhere,
  UnreachableMapping,  // a letter the user mapped that this process cannot see
  Disc,                // a CD or DVD drive
  DiscReadOnly,        // a CD or DVD drive whose volume says it is read-only
  ReadOnlyVolume,      // any other read-only volume: a locked stick or disk
};

// How a refused deletion reads, by Windows' code and the drive's facts. The first rule that
// matches decides; a rule without codes takes every code.
struct Rule {
  const std::vector<int32_t>& codes;
  Where where;
  Finding::Outcome outcome;
  const wchar_t* reason;  // null: Windows' own number and text
  bool held;
};
using Out = Finding::Outcome;
const Rule kRules[] = {
    {kAbsence, Where::UnreachableMapping, Out::NotChecked, L"", false},
    {kAbsence, Where::Anywhere, Out::Removed, L"", false},
    {kUnreachable, Where::Anywhere, Out::NotChecked, L"", false},
    {kSharing, Where::Anywhere, Out::Failed, kInUse, true},
    {kRefused, Where::Disc, Out::OnDisc, L"", false},
    {kAnyCode, Where::DiscReadOnly, Out::OnDisc, L"", false},
    {kRefused, Where::ReadOnlyVolume, Out::Failed, kWriteProtected, false},
    {kWriteProtect, Where::Anywhere, Out::Failed, kWriteProtected, false},
    {kAccessDenied, Where::Anywhere, Out::Failed, kDenied, true},
    {kAnyCode, Where::Anywhere, Out::Failed, nullptr, false},
};

}  // namespace

Presence CheckRunValue(AdvancedRegistryFunctions& registry, RegistryView view,
                       const std::wstring& path, const std::wstring& name, std::wstring& reason) {
  // The view is set before every call: a tick can run inside a box of the removal.
  try {
    registry.SetRegistryView(view);
    if (VarEqual(registry.KeyValueExist(path, name), Variant::Boolean(true))) {
      return Presence::Present;
    }
    // False or Empty: only a missing key or value is absence.
    const int32_t code = registry.GetLastResult();
    if (code == win::ERROR_FILE_NOT_FOUND) return Presence::Absent;
    reason = Reason(code);
  } catch (const RuntimeError& e) {
    reason = Widen(e.what());
  }
  return Presence::Unknown;
}

Removal::Removal(Platform& platform, AdvancedRegistryFunctions& registry,
                 std::vector<RegistryView> machineViews)
    : platform_(platform), registry_(registry), machineViews_(std::move(machineViews)) {}

void Removal::Record(Finding::Kind kind, const std::wstring& item, Finding::Outcome outcome,
                     const std::wstring& reason) {
  for (Finding& f : findings_) {
    if (f.kind == kind && f.item == item) {
      f = {kind, item, outcome, reason};
      return;
    }
  }
  findings_.push_back({kind, item, outcome, reason});
}

std::vector<Finding> Removal::Run() {
  // A running worm writes its values back and holds its files: its programs go first.
  ResumeNext([&] { EndWormPrograms(); });

  // The worm's three start-up values, per machine (every view) and per user, pair by pair.
  const bool twoViews = machineViews_.size() > 1;
  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    for (RegistryView view : machineViews_) {
      std::wstring item = L"\"" + std::wstring(name) + L"\" in " + kMachineRun;
      if (twoViews) item += view == RegistryView::Force64 ? L" (64-bit view)" : L" (32-bit view)";
      RemoveRunValue(view, kMachineRun, name, item);
    }
    RemoveRunValue(RegistryView::Default, kUserRun, name,
                   L"\"" + std::wstring(name) + L"\" in " + kUserRun);
  }

  // The files: attributes first, so that read-only, hidden and system do not stop the deletion.
  for (const wchar_t* f : kWindowsFiles) ClearAttributes(f);
  for (const wchar_t* f : kWindowsFiles) DeleteWormFile(f);
  for (const wchar_t* name : {kAutorun, kRootProgram}) {
    for (wchar_t d = kFirstDrive; d <= kLastDrive; ++d) ClearAttributes(RootFile(d, name));
  }
  for (const wchar_t* name : {kAutorun, kRootProgram}) {
    for (wchar_t d = kFirstDrive; d <= kLastDrive; ++d) DeleteWormFile(RootFile(d, name));
  }

  // Worm programs often start each other again: once more, and their files with them.
  std::vector<std::wstring> again;
  ResumeNext([&] { again = EndWormPrograms(); });
  for (const std::wstring& f : again) {
    ClearAttributes(f);
    DeleteWormFile(f);
  }
  ScheduleHeldFiles();
  return findings_;
}

std::vector<std::wstring> Removal::EndWormPrograms() {
  IProcesses& processes = platform_.Processes();
  // A 64-bit program's image in system32 must be that one, not its 32-bit twin.
  const RedirectionOff realSystem32(platform_.Files());
  std::vector<Target> targets;
  for (const std::wstring& path : ProgramFiles()) {
    FileIdentity identity;
    if (IdentityOf(processes, path, identity)) targets.push_back({path, identity});
  }
  if (targets.empty()) return {};
  // An administrator may end another user's programs with it.
  const PrivilegeForScope debug(platform_.System(), win::SE_DEBUG_NAME);

  struct Match {
    uint32_t processId;
    int target;
  };
  std::vector<Match> matches;
  {
    const UniqueHandle snapshot(processes,
                                processes.CreateToolhelp32Snapshot(win::TH32CS_SNAPPROCESS, 0));
    if (!snapshot.valid()) return {};
    const uint32_t self = processes.GetCurrentProcessId();
    ProcessEntry entry;
    for (int32_t more = processes.Process32First(snapshot.get(), entry); more;
         more = processes.Process32Next(snapshot.get(), entry)) {
      if (entry.th32ProcessID == self || !IsWormProgramName(entry.szExeFile)) continue;
      // One that would not end is not waited for twice: its line stands.
      if (unended_.count(entry.th32ProcessID)) continue;
      // Granted across integrity levels, so a program we may not end is still recognised.
      const UniqueHandle query(
          processes,
          processes.OpenProcess(win::PROCESS_QUERY_LIMITED_INFORMATION, 0, entry.th32ProcessID));
      if (!query.valid()) continue;
      const int target = TargetOf(processes, query.get(), targets);
      if (target >= 0) matches.push_back({entry.th32ProcessID, target});
    }
  }

  struct Ending {
    int target;
    uint32_t processId;
    UniqueHandle process;
    uint32_t terminateError;
  };
  std::vector<Ending> endings;
  std::map<int, std::wstring> notEnded;  // target, why
  for (const Match& m : matches) {
    UniqueHandle process(processes,
                         processes.OpenProcess(win::PROCESS_TERMINATE | win::SYNCHRONIZE |
                                                   win::PROCESS_QUERY_LIMITED_INFORMATION,
                                               0, m.processId));
    if (!process.valid()) {
      notEnded.emplace(m.target, Reason(static_cast<int32_t>(processes.GetLastError())));
      unended_.insert(m.processId);
      continue;
    }
    // The id may name another process by now.
    if (TargetOf(processes, process.get(), targets) != m.target) continue;
    const uint32_t error =
        processes.TerminateProcess(process.get(), kEndedExitCode) ? 0 : processes.GetLastError();
    endings.push_back({m.target, m.processId, std::move(process), error});
  }

  // All at once, with one bound; no input is processed meanwhile, so no second press can start.
  IRuntime& runtime = platform_.Runtime();
  const int64_t deadline = runtime.NowMilliseconds() + kEndingBoundMs;
  for (size_t first = 0; first < endings.size(); first += win::MAXIMUM_WAIT_OBJECTS) {
    std::vector<int32_t> handles;
    for (size_t i = first; i < std::min(endings.size(), first + win::MAXIMUM_WAIT_OBJECTS); ++i) {
      handles.push_back(endings[i].process.get());
    }
    const int64_t left = std::max<int64_t>(0, deadline - runtime.NowMilliseconds());
    processes.WaitForMultipleObjects(handles, 1, static_cast<uint32_t>(left));
  }
  std::set<int> ended;
  for (const Ending& e : endings) {
    // Gone is gone, even where ending it was refused because it was already on its way out.
    if (processes.WaitForMultipleObjects({e.process.get()}, 0, 0) == win::WAIT_OBJECT_0) {
      ended.insert(e.target);
      continue;
    }
    unended_.insert(e.processId);
    if (e.terminateError) {
      notEnded.emplace(e.target, Reason(static_cast<int32_t>(e.terminateError)));
    } else {
      notEnded.emplace(e.target, L"it did not end in time");
    }
  }

  std::vector<std::wstring> endedPaths;
  for (size_t t = 0; t < targets.size(); ++t) {
    const auto why = notEnded.find(static_cast<int>(t));
    if (why != notEnded.end()) {
      Record(Finding::Kind::Program, targets[t].path, Out::Failed, kNotEnded + why->second);
    } else if (ended.count(static_cast<int>(t))) {
      Record(Finding::Kind::Program, targets[t].path, Out::Removed);
      endedPaths.push_back(targets[t].path);
    }
  }
  return endedPaths;
}

void Removal::RemoveRunValue(RegistryView view, const std::wstring& path, const std::wstring& name,
                             const std::wstring& item) {
  // A value that could not be checked is tried too, as a failing test always was.
  std::wstring reason;
  if (CheckRunValue(registry_, view, path, name, reason) == Presence::Absent) return;
  bool deleted = false;
  int32_t deleteCode = 0;
  ResumeNext([&] {
    registry_.SetRegistryView(view);
    deleted = VarEqual(registry_.DeleteKeyValue(path, name), Variant::Boolean(true));
    deleteCode = registry_.GetLastResult();
  });
  if (deleted) {
    Record(Finding::Kind::Value, item, Out::Removed);
    return;
  }
  // Not deleted: only a value that is still there, or cannot be seen, is left behind.
  switch (CheckRunValue(registry_, view, path, name, reason)) {
    case Presence::Absent:
      Record(Finding::Kind::Value, item, Out::Removed);
      break;
    case Presence::Present:
      // A refused opening leaves its code; a refused deletion leaves the closing's (0).
      Record(Finding::Kind::Value, item, Out::Failed,
             L"the value could not be deleted" +
                 (deleteCode ? L": " + Reason(deleteCode) : std::wstring()));
      break;
    case Presence::Unknown:
      Record(Finding::Kind::Value, item, Out::Failed, L"could not be checked: " + reason);
      break;
  }
}

Removal::DriveFacts& Removal::Drive(const std::wstring& path) {
  const wchar_t letter = static_cast<wchar_t>(std::towlower(path[0]));
  const auto known = drives_.find(letter);
  if (known != drives_.end()) return known->second;
  if (!systemDrive_) {
    // The system-wide Windows folder (a per-user one may lie elsewhere); where it cannot be
    // read, the worm's own drive is taken for it.
    const std::wstring windows = SystemFolder(platform_, &ISystem::GetSystemWindowsDirectory);
    systemDrive_ = windows.empty() ? kFirstDrive : static_cast<wchar_t>(std::towlower(windows[0]));
  }
  DriveFacts facts;
  facts.type = platform_.Files().GetDriveType(path.substr(0, 3));
  facts.systemVolume = letter == systemDrive_;
  if (facts.type == win::DRIVE_NO_ROOT_DIR) {
    // An elevated process does not see the letters the user mapped in their own session.
    IRegistry& reg = platform_.Registry();
    UniqueKey key(reg);
    uint32_t size = 0;
    facts.unreachableMapping =
        reg.RegOpenKeyEx(win::HKEY_CURRENT_USER, kMappedDrives + std::wstring(1, letter), 0,
                         win::KEY_QUERY_VALUE, key.put()) == win::ERROR_SUCCESS &&
        reg.RegQueryValueEx(key.get(), kMappedShare, nullptr, nullptr, &size) == win::ERROR_SUCCESS;
  }
  return drives_.emplace(letter, facts).first->second;
}

bool Removal::ReadOnlyVolume(const std::wstring& path) {
  DriveFacts& facts = Drive(path);
  if (facts.readOnly < 0) {
    constexpr uint32_t kBuffer = win::MAX_PATH + 1;
    std::string label(kBuffer, ' ');
    std::string fileSystem(kBuffer, ' ');
    uint32_t flags = 0;
    facts.readOnly =
        platform_.System().GetVolumeInformation(path.substr(0, 3), label, kBuffer, nullptr, nullptr,
                                                &flags, fileSystem, kBuffer) != 0 &&
        (flags & win::FILE_READ_ONLY_VOLUME) != 0;
  }
  return facts.readOnly != 0;
}

Removal::Verdict Removal::Classify(uint32_t code, const std::wstring& what,
                                   const std::wstring& path) {
  const auto applies = [&](const Rule& rule) {
    const auto& codes = rule.codes;
    if (!codes.empty() &&
        std::find(codes.begin(), codes.end(), static_cast<int32_t>(code)) == codes.end()) {
      return false;
    }
    switch (rule.where) {
      case Where::Anywhere:
        return true;
      case Where::UnreachableMapping:
        return Drive(path).unreachableMapping;
      case Where::Disc:
        return Drive(path).type == win::DRIVE_CDROM;
      case Where::DiscReadOnly:
        return Drive(path).type == win::DRIVE_CDROM && ReadOnlyVolume(path);
      case Where::ReadOnlyVolume:
        return Drive(path).type != win::DRIVE_CDROM && ReadOnlyVolume(path);
    }
    return false;
  };
  for (const Rule& rule : kRules) {
    if (!applies(rule)) continue;
    std::wstring reason =
        rule.reason ? rule.reason : L"Windows error " + std::to_wstring(code) + L" (" + what + L")";
    return {rule.outcome, reason, rule.held};
  }
  return {Out::Failed, what, false};  // not reached: the last rule takes every code
}

void Removal::ClearAttributes(const std::wstring& path) {
  // A folder of that name (some tools make one to protect a drive) is left exactly as it is,
  // and so is a link: setting attributes would change the file it points to.
  const uint32_t attributes = platform_.Files().GetFileAttributes(path);
  if (attributes != win::INVALID_FILE_ATTRIBUTES &&
      (attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT))) {
    return;
  }
  // Whatever stops this shows again in the deletion, which is what the report is about.
  ResumeNext([&] { platform_.Runtime().SetAttr(path, 0); });
}

Removal::Verdict Removal::ConfirmGone(const std::wstring& path) {
  IFiles& files = platform_.Files();
  if (files.GetFileAttributes(path) == win::INVALID_FILE_ATTRIBUTES) {
    // Gone; or delete-pending, which answers a query with access denied on some file systems.
    if (files.GetLastError() != static_cast<uint32_t>(win::ERROR_ACCESS_DENIED)) {
      return {Out::Removed, L""};
    }
    return {Out::Failed, kPending};
  }
  // Still visible. A second deletion of a delete-pending file is refused with access denied.
  uint32_t again = 0;
  try {
    platform_.Runtime().Kill(path);
  } catch (const RuntimeError& e) {
    again = e.win32_code();
  }
  const bool readOnlyMedium = Drive(path).type == win::DRIVE_CDROM || ReadOnlyVolume(path);
  if (again == static_cast<uint32_t>(win::ERROR_ACCESS_DENIED) && !readOnlyMedium) {
    return {Out::Failed, kPending};
  }
  if (files.GetFileAttributes(path) == win::INVALID_FILE_ATTRIBUTES) return {Out::Removed, L""};
  // A medium that loses deletions refuses them as a write-protected one would.
  if (readOnlyMedium) return Classify(win::ERROR_WRITE_PROTECT, L"", path);
  return {Out::Failed, L"it is still there"};
}

void Removal::DeleteWormFile(const std::wstring& path) {
  const uint32_t attributes = platform_.Files().GetFileAttributes(path);
  if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    return;
  }
  uint32_t code = 0;
  std::wstring what;
  try {
    platform_.Runtime().Kill(path);
  } catch (const RuntimeError& e) {
    code = e.win32_code();
    what = Widen(e.what());
  }
  const Verdict verdict = code == 0 ? ConfirmGone(path) : Classify(code, what, path);
  const bool present = code == 0 || verdict.outcome != Out::Removed;
  if (!present) return;  // never there
  Record(Finding::Kind::File, path, verdict.outcome, verdict.reason);
  held_.erase(std::remove(held_.begin(), held_.end(), path), held_.end());
  if (verdict.held) held_.push_back(path);
}

void Removal::ScheduleHeldFiles() {
  for (const std::wstring& path : held_) {
    Finding::Restart restart = Finding::Restart::NotOnSystemVolume;
    // Pending deletions run before anyone logs on, where only the system volume is sure to be
    // there under its letter: a stick, a mapped or substituted drive may not be.
    if (Drive(path).systemVolume) {
      restart = platform_.Files().MoveFileEx(path, nullptr, win::MOVEFILE_DELAY_UNTIL_REBOOT)
                    ? Finding::Restart::Scheduled
                    : Finding::Restart::CouldNotSchedule;
    }
    for (Finding& f : findings_) {
      if (f.kind == Finding::Kind::File && f.item == path) f.restart = restart;
    }
  }
}

RemovalReport RenderRemoval(const std::vector<Finding>& findings) {
  std::wstring failures;
  std::wstring ended;
  std::wstring discs;
  std::wstring unreachable;
  bool scheduled = false;
  for (const Finding& f : findings) {
    switch (f.outcome) {
      case Out::Removed:
        if (f.kind == Finding::Kind::Program) ended += (ended.empty() ? L"" : L", ") + f.item;
        break;
      case Out::Failed:
        failures += f.item + L": " + f.reason;
        switch (f.restart) {
          case Finding::Restart::None:
            break;
          case Finding::Restart::Scheduled:
            failures += L"; it will be deleted when Windows restarts";
            scheduled = true;
            break;
          case Finding::Restart::CouldNotSchedule:
            failures += L"; it could not be marked for deletion at restart either";
            break;
          case Finding::Restart::NotOnSystemVolume:
            failures += L"; close the program holding it and press Kill Virus again";
            break;
        }
        failures += L"\n";
        break;
      case Out::OnDisc:
        discs += f.item + kOnDisc + L"\n";
        break;
      case Out::NotChecked: {
        const std::wstring drive = f.item.substr(0, 2);
        if (unreachable.find(drive) == std::wstring::npos) {
          unreachable += (unreachable.empty() ? L"" : L", ") + drive;
        }
        break;
      }
    }
  }
  // Programs ended, files on discs and drives not reached are said, but are no failed removal.
  std::wstring notes;
  if (!ended.empty()) notes += kEnded + ended + L"\n";
  notes += discs;
  if (!unreachable.empty()) notes += kNotChecked + unreachable + L"\n";
  if (!notes.empty()) notes.pop_back();
  if (failures.empty()) {
    const std::wstring text = notes.empty() ? kRemoved : kRemoved + (L"\n\n" + notes);
    return {text, win::MB_ICONINFORMATION | win::MB_OK};
  }
  std::wstring text = kNotRemoved + failures + kAdvice;
  if (scheduled) text += kRestartNote;
  if (!notes.empty()) text += L"\n\n" + notes;
  return {text, win::MB_ICONEXCLAMATION | win::MB_OK};
}

}  // namespace qc
