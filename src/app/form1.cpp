#include "app/form1.h"

#include <cmath>

#include "app/removal.h"

#include "platform/app_info.h"
#include "platform/on_error.h"
#include "platform/redirection_off.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"
#include "version.h"

namespace qc {
namespace {

constexpr wchar_t kTaskManager[] = L"c:\\windows\\system32\\taskmgr.exe";
constexpr int kTimer1Interval = 100;

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

// --- The monitor -------------------------------------------------------------------------------

void Form1::Timer1_Timer() {
  // Continue-on-error: a failing statement is skipped, a failing test takes the infected branch.
  IForms& forms = platform_.Forms();
  ResumeNext([&] { forms.SetCaption(kLabel3, kUserNamePrefix + UserName); });

  // Only a value known to be missing is clean: a check that failed is no all-clear.
  const bool infected = ConditionOrEnter([&] {
    for (RegistryView view : MachineViews()) {
      std::wstring reason;
      if (CheckRunValue(TheRegistryAccess(), view, kMachineRun, kMonitoredValue, reason) !=
          Presence::Absent) {
        return true;
      }
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

void Form1::Command1_Click() {
  // A run of its own for each press: nothing is left from the last one.
  Removal removal(platform_, TheRegistryAccess(), MachineViews());
  const RemovalReport report = RenderRemoval(removal.Run());
  const std::wstring title = kAppTitle;
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
