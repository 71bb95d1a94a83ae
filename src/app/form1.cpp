#include "app/form1.h"

#include <cmath>

#include "platform/app_info.h"
#include "platform/on_error.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"
#include "version.h"

namespace qc {
namespace {

constexpr wchar_t kTaskManager[] = L"c:\\windows\\system32\\taskmgr.exe";
constexpr int kTimer1Interval = 100;

// The worm's start-up values and where it writes them (note "SOFTWARE" against "Software").
constexpr wchar_t kMachineRun[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kUserRun[] =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr wchar_t kMonitoredValue[] = L"SVCHOST";

// The monitor's texts, exactly as the window has always shown them.
constexpr wchar_t kUserNamePrefix[] = L"Dtetected Username is ";
constexpr wchar_t kStatusInfected[] = L"The virus exists and still running";
constexpr wchar_t kStatusClean[] = L"Virus Cleaned";
constexpr wchar_t kInstruction1[] =
    L"Dosto pehlay aap aik process ko khatam karain us k liye task manager open karain.\"( Ctrl + "
    L"Alt + Delete)\" press karain aur phir 'processes' ki tab per jain.wahan per ";
constexpr wchar_t kColumnHeader[] = L"Image Name      User Name";
constexpr wchar_t kProcessEntry[] = L"Svchost.exe       ";
constexpr wchar_t kInstruction2[] =
    L"Likha ho us ko \"End Process\" ker dain .Jiss Process k agay SYSTEM ya NETWORK SERVICE "
    L"likha ho us ko end nahin kerna.";
constexpr wchar_t kInstruction3[] =
    L"Iss k bad Kill Virs per click ker dain.Lo g virus ka khatma ho gaya";
constexpr wchar_t kLineBreak[] = L"\r\n";
constexpr uint32_t kRed = 255;
constexpr uint32_t kGreen = 65280;
constexpr Long kUserNameSelector = 2;

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

// Failures that only say the thing is not there (value, file, folder, drive, medium, or no
// usable file system behind the letter): there is nothing to remove, so they are no failure.
bool IsAbsence(uint32_t win32Code) {
  switch (static_cast<int32_t>(win32Code)) {
    case win::ERROR_FILE_NOT_FOUND:
    case win::ERROR_PATH_NOT_FOUND:
    case win::ERROR_INVALID_DRIVE:
    case win::ERROR_NOT_READY:
    case win::ERROR_DEV_NOT_EXIST:
    case win::ERROR_INVALID_NAME:
    case win::ERROR_UNRECOGNIZED_VOLUME:
    case win::ERROR_NO_MEDIA_IN_DRIVE:
      return true;
    default:
      return false;
  }
}

// A network drive that could not be reached may still hold the worm: not checked, not clean.
bool IsUnreachableNetwork(uint32_t win32Code) {
  switch (static_cast<int32_t>(win32Code)) {
    case win::ERROR_BAD_NETPATH:
    case win::ERROR_BAD_NET_NAME:
    case win::ERROR_NO_NETWORK:
    case win::ERROR_NETWORK_UNREACHABLE:
      return true;
    default:
      return false;
  }
}

// Why a registry call failed, for the report.
std::wstring RegistryReason(int32_t code) {
  if (code == win::ERROR_ACCESS_DENIED) return L"access is denied";
  return L"Windows error " + std::to_wstring(code);
}

std::wstring Widen(const char* text) {
  std::wstring w;
  for (const char* p = text; *p; ++p) w += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return w;
}

// File-system redirection switched off for one scope, where the platform has any.
class RedirectionOff {
 public:
  explicit RedirectionOff(IFiles& files)
      : files_(files), off_(files.Wow64DisableWow64FsRedirection(old_)) {}
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;
  ~RedirectionOff() {
    if (off_) files_.Wow64RevertWow64FsRedirection(old_);
  }

 private:
  IFiles& files_;
  uintptr_t old_ = 0;
  bool off_;
};

// The window's design, in twips, as the forms designer stores it.
struct ControlDesign {
  int id;
  ControlKind kind;
  const wchar_t* name;
  const wchar_t* caption;
  int left, top, width, height;
  const wchar_t* font;
  double points;
  int weight;
  int tabIndex;
  TextAlign align;
  uint32_t foreColour;
};

constexpr int kRegular = 400;
constexpr int kBold = 700;
constexpr wchar_t kTimes[] = L"Times New Roman";

const ControlDesign kDesign[] = {
    {kCommand1, ControlKind::Button, L"Command1", L"Kill Virus", 120, 4200, 3135, 615, kTimes,
     15.75, kRegular, 0, TextAlign::Center, kDefaultColour},
    {kLabel1, ControlKind::Label, L"Label1", L"Label1", 120, 120, 6255, 4095, kTimes, 12, kBold, 1,
     TextAlign::Left, kDefaultColour},
    {kLabel2, ControlKind::Label, L"Label2", L"Label2", 240, 4920, 5610, 360, kTimes, 15.75, kBold,
     2, TextAlign::Center, kDefaultColour},
    {kLabel3, ControlKind::Label, L"Label3", L"", 120, 5280, 5895, 495, kTimes, 12, kBold, 3,
     TextAlign::Center, kDefaultColour},
    {kLabel4, ControlKind::Label, L"Label4",
     L"Quorin Cleaner " QC_VERSION_SHORT L" - removes the Quorin autorun worm", 0, 5880, 5775, 735,
     L"Book Antiqua", 11.25, kBold, 4, TextAlign::Center, SystemColour(win::COLOR_ACTIVECAPTION)},
    {kCommand2, ControlKind::Button, L"Command2", L"Open Task manager", 3360, 4200, 2535, 615,
     kTimes, 14.25, kRegular, 5, TextAlign::Center, kDefaultColour},
};

constexpr int kClientWidthTwips = 6525;
constexpr int kClientHeightTwips = 6585;

int ToPixels(int twips, float twipsPerPixel) {
  return static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
}

}  // namespace

Form1::Form1(Platform& platform) : platform_(platform) {}

FormSpec Form1::Layout(float twipsPerPixelX, float twipsPerPixelY) {
  FormSpec layout;
  layout.caption = L"Quorin Virus Cleaner";
  layout.clientWidth = ToPixels(kClientWidthTwips, twipsPerPixelX);
  layout.clientHeight = ToPixels(kClientHeightTwips, twipsPerPixelY);
  layout.iconResource = 1;
  layout.focusControl = kCommand1;
  layout.timerInterval = kTimer1Interval;
  for (const ControlDesign& d : kDesign) {
    ControlSpec c;
    c.id = d.id;
    c.kind = d.kind;
    c.name = d.name;
    c.caption = d.caption;
    c.rect = {ToPixels(d.left, twipsPerPixelX), ToPixels(d.top, twipsPerPixelY),
              ToPixels(d.width, twipsPerPixelX), ToPixels(d.height, twipsPerPixelY)};
    c.font = {d.font, d.points, d.weight, 0};
    c.tabIndex = d.tabIndex;
    c.align = d.align;
    c.foreColour = d.foreColour;
    c.wordWrap = true;
    layout.controls.push_back(c);
  }
  return layout;
}

void Form1::Show() {
  IRuntime& rt = platform_.Runtime();
  platform_.Forms().CreateForm(Layout(rt.TwipsPerPixelX(), rt.TwipsPerPixelY()), *this);
}

template <class Handler>
void Form1::Dispatch(Handler&& handler) {
  // The one top-level place for errors no handler deals with: tell the user, keep running. A
  // tick arriving while that box is up fails the same way again; one box is enough.
  std::wstring text;
  try {
    handler();
    return;
  } catch (const RuntimeError& e) {
    text = L"Run-time error '" + std::to_wstring(e.number()) + L"':\n\n" + Widen(e.what());
  } catch (const std::exception& e) {
    text = L"Unexpected error:\n\n" + Widen(e.what());
  }
  if (errorBoxUp_) return;
  errorBoxUp_ = true;
  try {
    platform_.Runtime().MessageBox(text, win::MB_ICONHAND, nullptr);
  } catch (...) {
    errorBoxUp_ = false;
    throw;
  }
  errorBoxUp_ = false;
}

void Form1::OnClick(int controlId) {
  if (controlId == kCommand1) Dispatch([this] { Command1_Click(); });
  if (controlId == kCommand2) Dispatch([this] { Command2_Click(); });
}

void Form1::OnTimer() {
  Dispatch([this] { Timer1_Timer(); });
}

AdvancedRegistryFunctions& Form1::TheRegistryAccess() {
  if (!RegistryAccess) RegistryAccess = std::make_unique<AdvancedRegistryFunctions>(platform_);
  return *RegistryAccess;
}

CWinAPI& Form1::TheUtilities() {
  if (!Utilities) Utilities = std::make_unique<CWinAPI>(platform_);
  return *Utilities;
}

std::vector<RegistryView> Form1::MachineViews() {
  if (wow64_ < 0) {
    int32_t wow64 = 0;
    wow64_ = platform_.System().IsWow64Process(wow64) && wow64 ? 1 : 0;
  }
  // The worm may sit in the 64-bit view, where a 32-bit program does not look by itself.
  if (wow64_) return {RegistryView::Default, RegistryView::Force64};
  return {RegistryView::Default};
}

Variant Form1::KeyValueExistIn(RegistryView view, const std::wstring& path,
                               const std::wstring& name) {
  // The view is set before every call: a tick can run inside a box of the removal.
  AdvancedRegistryFunctions& registry = TheRegistryAccess();
  registry.SetRegistryView(view);
  return registry.KeyValueExist(path, name);
}

Form1::Presence Form1::CheckValue(RegistryView view, const std::wstring& path,
                                  const std::wstring& name, std::wstring& reason) {
  try {
    if (VarEqual(KeyValueExistIn(view, path, name), Variant::Boolean(true))) {
      return Presence::Present;
    }
    // False or Empty: only a missing key or value is absence.
    const int32_t code = TheRegistryAccess().GetLastResult();
    if (code == win::ERROR_FILE_NOT_FOUND) return Presence::Absent;
    reason = RegistryReason(code);
  } catch (const RuntimeError& e) {
    reason = Widen(e.what());
  }
  return Presence::Unknown;
}

// --- The monitor -------------------------------------------------------------------------------

void Form1::Timer1_Timer() {
  // Continue-on-error: a failing statement is skipped, a failing test takes the infected branch.
  IForms& forms = platform_.Forms();
  ResumeNext([&] { forms.SetCaption(kLabel3, kUserNamePrefix + UserName); });

  // Only a value known to be missing is clean: a check that failed is no all-clear.
  const bool infected = ConditionOrEnter([&] {
    for (RegistryView view : MachineViews()) {
      std::wstring reason;
      if (CheckValue(view, kMachineRun, kMonitoredValue, reason) != Presence::Absent) return true;
    }
    return false;
  });
  if (infected) {
    ResumeNext([&] { forms.SetCaption(kLabel2, kStatusInfected); });
    ResumeNext([&] { forms.SetForeColour(kLabel2, kRed); });
  } else {
    ResumeNext([&] { forms.SetCaption(kLabel2, kStatusClean); });
    ResumeNext([&] { forms.SetForeColour(kLabel2, kGreen); });
  }

  ResumeNext([&] {
    Long func = kUserNameSelector;
    String CmpName;
    UserName = TheUtilities().ComputerName(func, CmpName);
  });

  ResumeNext([&] {
    std::wstring text = kInstruction1;
    text += kLineBreak;
    text += kLineBreak;
    text += kColumnHeader;
    text += kLineBreak;
    text += kLineBreak;
    text += kProcessEntry + UserName;
    text += kLineBreak;
    text += kLineBreak;
    text += kInstruction2;
    text += kLineBreak;
    text += kInstruction3;
    forms.SetCaption(kLabel1, text);
  });
}

// --- The removal -------------------------------------------------------------------------------

void Form1::RemoveRunValue(RegistryView view, const std::wstring& path, const std::wstring& name,
                           const std::wstring& item) {
  // A value that could not be checked is tried too, as a failing test always was.
  std::wstring reason;
  if (CheckValue(view, path, name, reason) == Presence::Absent) return;
  bool deleted = false;
  int32_t deleteCode = 0;
  ResumeNext([&] {
    AdvancedRegistryFunctions& registry = TheRegistryAccess();
    registry.SetRegistryView(view);
    deleted = VarEqual(registry.DeleteKeyValue(path, name), Variant::Boolean(true));
    deleteCode = registry.GetLastResult();
  });
  if (deleted) return;
  // Not deleted: only a value that is still there, or cannot be seen, is left behind.
  switch (CheckValue(view, path, name, reason)) {
    case Presence::Absent:
      break;
    case Presence::Present:
      // A refused opening leaves its code; a refused deletion leaves the closing's (0).
      failures_.push_back(item + L": the value could not be deleted" +
                          (deleteCode ? L": " + RegistryReason(deleteCode) : std::wstring()));
      break;
    case Presence::Unknown:
      failures_.push_back(item + L": could not be checked: " + reason);
      break;
  }
}

bool Form1::OnReadOnlyVolume(const std::wstring& path) {
  // Decided by the volume, not by the code: a disc refuses a deletion with access denied.
  const std::wstring root = path.substr(0, 3);
  if (platform_.Files().GetDriveType(root) == win::DRIVE_CDROM) return true;
  constexpr uint32_t kBuffer = win::MAX_PATH + 1;
  std::string label(kBuffer, ' ');
  std::string fileSystem(kBuffer, ' ');
  uint32_t flags = 0;
  return platform_.System().GetVolumeInformation(root, label, kBuffer, nullptr, nullptr, &flags,
                                                 fileSystem, kBuffer) != 0 &&
         (flags & win::FILE_READ_ONLY_VOLUME) != 0;
}

bool Form1::OnRemovableDrive(const std::wstring& path) {
  return platform_.Files().GetDriveType(path.substr(0, 3)) == win::DRIVE_REMOVABLE;
}

void Form1::ClearAttributes(const std::wstring& path) {
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

void Form1::ConfirmGone(const std::wstring& path) {
  IFiles& files = platform_.Files();
  if (files.GetFileAttributes(path) == win::INVALID_FILE_ATTRIBUTES) {
    // Gone; or delete-pending, which answers a query with access denied on some file systems.
    if (files.GetLastError() != static_cast<uint32_t>(win::ERROR_ACCESS_DENIED)) return;
    failures_.push_back(path + L": it goes when the program holding it closes");
    return;
  }
  // Still visible. A second deletion of a delete-pending file is refused with access denied.
  uint32_t again = 0;
  try {
    platform_.Runtime().Kill(path);
  } catch (const RuntimeError& e) {
    again = e.win32_code();
  }
  if (again == static_cast<uint32_t>(win::ERROR_ACCESS_DENIED) && !OnReadOnlyVolume(path)) {
    failures_.push_back(path + L": it goes when the program holding it closes");
  } else if (files.GetFileAttributes(path) == win::INVALID_FILE_ATTRIBUTES) {
    return;
  } else if (OnReadOnlyVolume(path)) {
    onDiscs_.push_back(path);
  } else {
    failures_.push_back(path + L": it is still there");
  }
}

void Form1::DeleteWormFile(const std::wstring& path) {
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
  if (code == 0) {
    ConfirmGone(path);
    return;
  }
  if (IsAbsence(code)) return;
  if (IsUnreachableNetwork(code)) {
    const std::wstring drive = path.substr(0, 2);
    if (unreachableDrives_.find(drive) == std::wstring::npos) {
      unreachableDrives_ += (unreachableDrives_.empty() ? L"" : L", ") + drive;
    }
    return;
  }
  if (OnReadOnlyVolume(path)) {
    onDiscs_.push_back(path);
    return;
  }
  std::wstring reason;
  switch (static_cast<int32_t>(code)) {
    case win::ERROR_SHARING_VIOLATION:
    case win::ERROR_LOCK_VIOLATION:
      reason = L"it is in use by a running program";
      break;
    case win::ERROR_ACCESS_DENIED:
      // What a running program's own file gives, besides missing rights.
      reason = L"access was denied (it may be running)";
      break;
    case win::ERROR_WRITE_PROTECT:
      reason = L"the disk is write-protected";
      break;
    default:
      reason = L"Windows error " + std::to_wstring(code) + L" (" + what + L")";
      break;
  }
  // A removable drive's letter may differ at the next start: nothing is scheduled there.
  if ((code == static_cast<uint32_t>(win::ERROR_SHARING_VIOLATION) ||
       code == static_cast<uint32_t>(win::ERROR_LOCK_VIOLATION) ||
       code == static_cast<uint32_t>(win::ERROR_ACCESS_DENIED)) &&
      !OnRemovableDrive(path)) {
    if (platform_.Files().MoveFileEx(path, nullptr, win::MOVEFILE_DELAY_UNTIL_REBOOT)) {
      reason += L"; it will be deleted when Windows restarts";
      scheduledForRestart_ = true;
    } else {
      reason += L"; it could not be marked for deletion at restart either";
    }
  }
  failures_.push_back(path + L": " + reason);
}

Form1::Report Form1::RemovalReport() const {
  // Files on discs and drives not reached are said, but are no failed removal on their own.
  std::wstring notes;
  for (const std::wstring& path : onDiscs_) notes += path + kOnDisc + L"\n";
  if (!unreachableDrives_.empty()) notes += kNotChecked + unreachableDrives_ + L"\n";
  if (!notes.empty()) notes.pop_back();
  if (failures_.empty()) {
    const std::wstring text = notes.empty() ? kRemoved : kRemoved + (L"\n\n" + notes);
    return {text, win::MB_ICONINFORMATION | win::MB_OK};
  }
  std::wstring text = kNotRemoved;
  for (const std::wstring& line : failures_) text += line + L"\n";
  text += kAdvice;
  if (scheduledForRestart_) text += kRestartNote;
  if (!notes.empty()) text += L"\n\n" + notes;
  return {text, win::MB_ICONEXCLAMATION | win::MB_OK};
}

void Form1::Command1_Click() {
  failures_.clear();
  onDiscs_.clear();
  unreachableDrives_.clear();
  scheduledForRestart_ = false;

  // The worm's three start-up values, per machine (every view) and per user, pair by pair.
  const std::vector<RegistryView> views = MachineViews();
  const bool twoViews = views.size() > 1;
  for (const wchar_t* name : {L"SVCHOST", L"QUORIN", L"MDM"}) {
    for (RegistryView view : views) {
      std::wstring item = L"\"" + std::wstring(name) + L"\" in " + kMachineRun;
      if (twoViews) item += view == RegistryView::Force64 ? L" (64-bit view)" : L" (32-bit view)";
      RemoveRunValue(view, kMachineRun, name, item);
    }
    RemoveRunValue(RegistryView::Default, kUserRun, name,
                   L"\"" + std::wstring(name) + L"\" in " + kUserRun);
  }

  // The files: attributes first, so that read-only, hidden and system do not stop the deletion.
  const std::wstring windowsFiles[] = {L"c:\\windows\\svchost.exe", L"c:\\windows\\mdm.exe"};
  for (const auto& f : windowsFiles) ClearAttributes(f);
  for (const auto& f : windowsFiles) DeleteWormFile(f);
  auto rootFile = [](wchar_t drive, const wchar_t* name) {
    return std::wstring(1, drive) + L":\\" + name;
  };
  for (wchar_t d = L'c'; d <= L'o'; ++d) ClearAttributes(rootFile(d, L"autorun.inf"));
  for (wchar_t d = L'c'; d <= L'o'; ++d) ClearAttributes(rootFile(d, L"quorin.exe"));
  for (wchar_t d = L'c'; d <= L'o'; ++d) DeleteWormFile(rootFile(d, L"autorun.inf"));
  for (wchar_t d = L'c'; d <= L'o'; ++d) DeleteWormFile(rootFile(d, L"quorin.exe"));

  // Only a removal with nothing left behind (other than what was never there) says so.
  const std::wstring title = kAppTitle;
  const Report report = RemovalReport();
  ResumeNext([&] { platform_.Runtime().MessageBox(report.text, report.style, &title); });
}

void Form1::Command2_Click() {
  uint32_t code = 0;
  {
    // A 32-bit program on 64-bit Windows would otherwise get the SysWOW64 copy of Task Manager.
    const RedirectionOff realSystem32(platform_.Files());
    try {
      platform_.Runtime().Shell(kTaskManager, win::SW_SHOWNORMAL);
      return;
    } catch (const RuntimeError& e) {
      code = e.win32_code();
    }
  }
  // The runtime calls every failure to start "File not found"; the box says which it was.
  std::wstring reason;
  switch (static_cast<int32_t>(code)) {
    case win::ERROR_ELEVATION_REQUIRED:
      reason = L"it needs administrator rights (elevation required).";
      break;
    case win::ERROR_ACCESS_DENIED:
      reason = L"access is denied.";
      break;
    case win::ERROR_FILE_NOT_FOUND:
    case win::ERROR_PATH_NOT_FOUND:
      reason = std::wstring(kTaskManager) + L" was not found.";
      break;
    default:
      reason = L"Windows error " + std::to_wstring(code) + L".";
      break;
  }
  const std::wstring title = kAppTitle;
  platform_.Runtime().MessageBox(L"Task Manager could not be started: " + reason,
                                 win::MB_ICONEXCLAMATION | win::MB_OK, &title);
}

}  // namespace qc
