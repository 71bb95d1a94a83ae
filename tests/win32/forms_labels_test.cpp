// The real form's labels as the timer rewrites them ten times a second: the same text or colour
// again must not touch the control (no repaint, no flicker); a new one must.
#include <gtest/gtest.h>

#include "support.h"

namespace {

struct NoEvents : qc::IFormEvents {
  void OnClick(int) override {}
  void OnTimer() override {}
};

int g_setTexts = 0;
WNDPROC g_labelProc = nullptr;
LRESULT CALLBACK CountingProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  g_setTexts += msg == WM_SETTEXT;
  return CallWindowProcW(g_labelProc, hwnd, msg, wp, lp);
}

TEST(FormLabels, RewritingTheSameTextOrColourLeavesTheControlAlone) {
  qc::FormSpec layout;
  layout.clientWidth = 300;
  layout.clientHeight = 100;
  layout.controls.push_back({});
  layout.controls[0].id = 7;
  layout.controls[0].kind = qc::ControlKind::Label;
  layout.controls[0].rect = {10, 10, 280, 30};
  NoEvents events;
  qc::win32::Win32Forms forms;
  forms.CreateForm(layout, events);
  HWND control = GetDlgItem(forms.MainWindow(), 7);
  g_labelProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CountingProc)));
  const auto needsPaint = [&] { return GetUpdateRect(control, nullptr, FALSE) != 0; };
  for (int i = 0; i < 20; ++i) forms.SetCaption(7, L"Virus Cleaned");
  EXPECT_EQ(g_setTexts, 1) << "an unchanged caption was written again";
  forms.SetCaption(7, L"The virus exists and still running");
  EXPECT_EQ(g_setTexts, 2);
  forms.SetForeColour(7, 255);
  EXPECT_TRUE(needsPaint()) << "a new colour must be drawn";
  UpdateWindow(forms.MainWindow());
  forms.SetForeColour(7, 255);
  EXPECT_FALSE(needsPaint()) << "an unchanged colour repainted the label";
  DestroyWindow(forms.MainWindow());
  qc::wintest::Settle();  // the form's quit must not reach later tests
}

}  // namespace
