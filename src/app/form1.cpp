#include "app/form1.h"

#include <cmath>

#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc {
namespace {

constexpr wchar_t kTaskManager[] = L"c:\\windows\\system32\\taskmgr.exe";
constexpr int kTimer1Interval = 100;

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
    {kCommand1, ControlKind::Button, L"Command1", L"Kill Virus", 120, 4200, 3135, 615, kTimes, 15.75,
     kRegular, 0, TextAlign::Center, kDefaultColour},
    {kLabel1, ControlKind::Label, L"Label1", L"Label1", 120, 120, 6255, 4095, kTimes, 12, kBold, 1,
     TextAlign::Left, kDefaultColour},
    {kLabel2, ControlKind::Label, L"Label2", L"Label2", 240, 4920, 5610, 360, kTimes, 15.75, kBold, 2,
     TextAlign::Center, kDefaultColour},
    {kLabel3, ControlKind::Label, L"Label3", L"", 120, 5280, 5895, 495, kTimes, 12, kBold, 3,
     TextAlign::Center, kDefaultColour},
    {kLabel4, ControlKind::Label, L"Label4", L"Quorin Cleaner 1.0 - removes the Quorin autorun worm", 0,
     5880, 5775, 735, L"Book Antiqua", 11.25, kBold, 4, TextAlign::Center,
     SystemColour(win::COLOR_ACTIVECAPTION)},
    {kCommand2, ControlKind::Button, L"Command2", L"Open Task manager", 3360, 4200, 2535, 615, kTimes,
     14.25, kRegular, 5, TextAlign::Center, kDefaultColour},
};

constexpr int kClientWidthTwips = 6525;
constexpr int kClientHeightTwips = 6585;

int ToPixels(int twips, float twipsPerPixel) {
  return static_cast<int>(std::lround(twips / static_cast<double>(twipsPerPixel)));
}

}  // namespace

Form1::Form1(Platform& platform) : platform_(platform) {}

FormSpec Form1::Layout(float twipsPerPixelX, float twipsPerPixelY) {
  FormSpec spec;
  spec.caption = L"Quorin Virus Cleaner";
  spec.clientWidth = ToPixels(kClientWidthTwips, twipsPerPixelX);
  spec.clientHeight = ToPixels(kClientHeightTwips, twipsPerPixelY);
  spec.iconResource = 1;
  spec.focusControl = kCommand1;
  spec.timerInterval = kTimer1Interval;
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
    spec.controls.push_back(c);
  }
  return spec;
}

void Form1::Show() {
  IRuntime& rt = platform_.Runtime();
  platform_.Forms().CreateForm(Layout(rt.TwipsPerPixelX(), rt.TwipsPerPixelY()), *this);
}

template <class Handler>
void Form1::Dispatch(Handler&& handler) {
  try {
    handler();
  } catch (const RuntimeError& e) {
    // The one top-level place for errors no handler deals with: tell the user, keep running.
    std::wstring text = L"Run-time error '" + std::to_wstring(e.number()) + L"':\n\n";
    for (const char* p = e.what(); *p; ++p) text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
    platform_.Runtime().MessageBox(text, win::MB_ICONHAND, nullptr);
  }
}

void Form1::OnClick(int controlId) {
  if (controlId == kCommand1) Dispatch([this] { Command1_Click(); });
  if (controlId == kCommand2) Dispatch([this] { Command2_Click(); });
}

void Form1::OnTimer() {
  Dispatch([this] { Timer1_Timer(); });
}

void Form1::Command1_Click() {}

void Form1::Timer1_Timer() {}

void Form1::Command2_Click() {
  // A 32-bit program on 64-bit Windows would otherwise get the SysWOW64 copy of Task Manager.
  IFiles& files = platform_.Files();
  uintptr_t redirection = 0;
  const bool redirectionOff = files.Wow64DisableWow64FsRedirection(redirection);
  try {
    platform_.Runtime().Shell(kTaskManager, win::SW_SHOWNORMAL);
  } catch (const RuntimeError&) {
    if (redirectionOff) files.Wow64RevertWow64FsRedirection(redirection);
    throw;
  }
  if (redirectionOff) files.Wow64RevertWow64FsRedirection(redirection);
}

}  // namespace qc
