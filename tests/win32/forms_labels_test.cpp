// The real form's labels as the timer rewrites them ten times a second: the same text or colour
// again must not touch the control (no repaint, no flicker); a new one must.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_platform.h"

namespace {

class NoEvents : public qc::IFormEvents {
 public:
  void OnClick(int) override {}
  void OnTimer() override {}
};

int g_setTexts = 0;
WNDPROC g_labelProc = nullptr;

LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_SETTEXT) ++g_setTexts;
  return CallWindowProcW(g_labelProc, hwnd, msg, wp, lp);
}

bool NeedsPaint(HWND control) {
  RECT r;
  return GetUpdateRect(control, &r, FALSE) != 0;
}

TEST(FormLabels, RewritingTheSameTextOrColourLeavesTheControlAlone) {
  constexpr int kLabel = 7;
  qc::FormSpec layout;
  layout.caption = L"Quorin label test";
  layout.clientWidth = 300;
  layout.clientHeight = 100;
  qc::ControlSpec label;
  label.id = kLabel;
  label.kind = qc::ControlKind::Label;
  label.caption = L"Label2";
  label.rect = {10, 10, 280, 30};
  label.font = {L"Times New Roman", 12, 700, 0};
  layout.controls.push_back(label);

  NoEvents events;
  qc::win32::Win32Forms forms;
  forms.CreateForm(layout, events);
  ASSERT_NE(forms.MainWindow(), nullptr);
  HWND control = GetDlgItem(forms.MainWindow(), kLabel);
  ASSERT_NE(control, nullptr);
  g_labelProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));

  forms.SetCaption(kLabel, L"Virus Cleaned");
  EXPECT_EQ(g_setTexts, 1);
  EXPECT_EQ(forms.Caption(kLabel), L"Virus Cleaned");
  for (int i = 0; i < 20; ++i) forms.SetCaption(kLabel, L"Virus Cleaned");
  EXPECT_EQ(g_setTexts, 1) << "an unchanged caption was written again";
  forms.SetCaption(kLabel, L"The virus exists and still running");
  EXPECT_EQ(g_setTexts, 2);
  EXPECT_EQ(forms.Caption(kLabel), L"The virus exists and still running");

  forms.SetForeColour(kLabel, 255);
  EXPECT_TRUE(NeedsPaint(control)) << "a new colour must be drawn";
  UpdateWindow(forms.MainWindow());
  ASSERT_FALSE(NeedsPaint(control));
  forms.SetForeColour(kLabel, 255);
  EXPECT_FALSE(NeedsPaint(control)) << "an unchanged colour repainted the label";
  forms.SetForeColour(kLabel, 65280);
  EXPECT_TRUE(NeedsPaint(control));

  SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_labelProc));
  DestroyWindow(forms.MainWindow());
  // The form ends the message loop when it goes: keep that quit from reaching later tests.
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

}  // namespace
