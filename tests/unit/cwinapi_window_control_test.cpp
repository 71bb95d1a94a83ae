// Window and desktop control against the recording double: the exact calls of every member and
// option code, including the codes that call nothing.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Calls = std::vector<std::string>;

// An instance whose creation (the capture) is already out of the log.
class Fixture : public ::testing::Test {
 protected:
  Calls Run(const std::function<void(CWinAPI&)>& member) {
    p.log.Clear();
    member(api);
    return p.log.Calls();
  }
  FakePlatform p;
  CWinAPI api{p};
};
using CWinAPIWindowPlacement = Fixture;
using CWinAPIWindowStyle = Fixture;
using CWinAPIDesktop = Fixture;
using CWinAPIKeyboard = Fixture;

TEST_F(CWinAPIWindowPlacement, TopmostIsTakenOffOnlyByTrueItself) {
  Long h = 77;
  auto withFlag = [&](Boolean flag) {
    return Run([&](CWinAPI& a) { a.SetMyPosTopMost(h, flag); });
  };
  const Calls topmost{"SetWindowPos(77, -1, 0, 0, 0, 0, 0x3)"};
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetMyPosTopMost(h); }), topmost);
  EXPECT_EQ(withFlag(kFalse), topmost);
  EXPECT_EQ(withFlag(1), topmost);  // non-zero, but not -1
  EXPECT_EQ(withFlag(kTrue), Calls{"SetWindowPos(77, -2, 0, 0, 0, 0, 0x3)"});
}

TEST_F(CWinAPIWindowPlacement, BottomOfTheZOrderAndVisibilityWithTheZerosApplied) {
  Long h = 0x1A2B;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetMyPosOnDesktop(h); }),
            Calls{"SetWindowPos(6699, 1, 0, 0, 0, 0, 0x13)"});

  const Calls hide{"SetWindowPos(6699, 1, 0, 0, 0, 0, 0x80)"};
  const Calls show{"SetWindowPos(6699, 1, 0, 0, 0, 0, 0x40)"};
  EXPECT_EQ(Run([&](CWinAPI& a) { a.HideWindow(h); }), hide);
  for (Boolean showMe : {Boolean(0), Boolean(-1), Boolean(1), Boolean(-32768)}) {
    EXPECT_EQ(Run([&](CWinAPI& a) { a.HideWindow(h, showMe); }), showMe ? show : hide) << showMe;
  }
}

TEST_F(CWinAPIWindowStyle, TransparencyReplacesTheExtendedStyle) {
  Long h = 12;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.MakeTransparentForm(h); }),
            (Calls{"SetWindowLong(12, -20, 0x20)", "SetWindowPos(12, -2, 0, 0, 0, 0, 0x23)"}));
}

TEST_F(CWinAPIWindowStyle, DraggingByTheClientAreaHandsThePressToTheCaption) {
  Long h = 31;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.MoveFormWithoutBorders(h); }),
            (Calls{"ReleaseCapture()", "SendMessage(31, 0xA1, 2, 0)"}));
}

TEST_F(CWinAPIWindowStyle, TheFirstToolbarChildGetsTheFlatBitAddedToItsStyle) {
  Long parent = 9;
  p.windows.results["FindWindowEx"] = 85;
  p.windows.results["SendMessage"] = 0x11;  // the toolbar's current style
  EXPECT_EQ(Run([&](CWinAPI& a) { a.ChangeToolBarStyle(parent); }),
            (Calls{"FindWindowEx(9, 0, \"ToolbarWindow32\", NULL)", "SendMessage(85, 0x439, 0, 0)",
                   "SendMessage(85, 0x438, 0, 2065)"}));
  // No toolbar: the calls go to the null window, which the system refuses.
  p.windows.results["FindWindowEx"] = 0;
  p.windows.results["SendMessage"] = 0;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.ChangeToolBarStyle(parent); }),
            (Calls{"FindWindowEx(9, 0, \"ToolbarWindow32\", NULL)", "SendMessage(0, 0x439, 0, 0)",
                   "SendMessage(0, 0x438, 0, 2048)"}));
}

TEST_F(CWinAPIDesktop, TaskbarIsHiddenOrShownInPlaceAndOtherCodesCallNothing) {
  p.windows.results["FindWindow"] = 0x4004;
  auto taskBar = [&](Byte func) { return Run([&](CWinAPI& a) { a.TaskBar(func); }); };
  EXPECT_EQ(taskBar(0), (Calls{"FindWindow(\"Shell_traywnd\", \"\")",
                               "SetWindowPos(16388, 0, 0, 0, 0, 0, 0x80)"}));
  EXPECT_EQ(taskBar(1), (Calls{"FindWindow(\"Shell_traywnd\", \"\")",
                               "SetWindowPos(16388, 0, 0, 0, 0, 0, 0x40)"}));
  EXPECT_TRUE(taskBar(2).empty());
  EXPECT_TRUE(taskBar(255).empty());
}

TEST_F(CWinAPIDesktop, CursorIsShownForMinusOneHiddenForZeroAndMovedInPixels) {
  auto showMouse = [&](Long cur) { return Run([&](CWinAPI& a) { a.ShowMouse(cur); }); };
  EXPECT_EQ(showMouse(-1), Calls{"ShowCursor(-1)"});
  EXPECT_EQ(showMouse(0), Calls{"ShowCursor(0)"});
  EXPECT_TRUE(showMouse(1).empty());
  EXPECT_TRUE(showMouse(-2).empty());

  Long x = 300, y = -5;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetMousePos(x, y); }), Calls{"SetCursorPos(300, -5)"});
  EXPECT_EQ(api.MouseX(), 4500);  // the cursor the double now holds, in twips
  EXPECT_EQ(api.MouseY(), -75);
}

TEST_F(CWinAPIDesktop, WallpaperIsSetFromTheFileOrRemoved) {
  String file = L"C:\\pics\\sea.bmp";
  auto wallPaper = [&](Byte func) {
    return Run([&](CWinAPI& a) { a.SetDeskWallPaper(func, file); });
  };
  EXPECT_EQ(wallPaper(1), Calls{"SystemParametersInfo(20, 0, \"C:\\pics\\sea.bmp\", 3)"});
  EXPECT_EQ(wallPaper(0), Calls{"SystemParametersInfo(20, 0, \"(None)\", 3)"});  // file ignored
  EXPECT_TRUE(wallPaper(2).empty());
  Byte remove = 0;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetDeskWallPaper(remove); }),
            Calls{"SystemParametersInfo(20, 0, \"(None)\", 3)"});
  EXPECT_EQ(file, L"C:\\pics\\sea.bmp");
}

TEST_F(CWinAPIDesktop, WorkAreaIsStoredWithItsSignAndPassedToTheSystem) {
  Integer l = -1, t = 0, r = 800, b = -32768;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetSysWorkArea(l, t, r, b); }),
            Calls{"SystemParametersInfo(47, 0, {-1,0,800,-32768}, 3)"});
  EXPECT_EQ(p.windows.workArea.Left, -1);  // not 65535
  EXPECT_EQ(p.windows.workArea.Bottom, -32768);
  b = 600;
  api.SetSysWorkArea(l, t, r, b);
  EXPECT_EQ(api.WorkAreaLeft(), -15);
  EXPECT_EQ(api.WorkAreaRight(), 12000);
  EXPECT_EQ(api.WorkAreaBottom(), 9000);
}

TEST_F(CWinAPIDesktop, ScreenSaverIsStartedThroughTheGivenWindow) {
  Long h = 40;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.StartScreenSaver(h); }),
            Calls{"SendMessage(40, 0x112, 61760, 0)"});
}

TEST_F(CWinAPIKeyboard, HotKeyRefusalsAreReportedAndTheClosingCallIsAlwaysMade) {
  Long h = 66, key = 0x241;  // Ctrl+A
  const std::string set = "SendMessage(66, 0x32, 577, 0)";
  const std::string closing = "DefWindowProc(66, 0x18, 0, 0)";
  p.windows.results["SendMessage"] = 1;
  EXPECT_EQ(Run([&](CWinAPI& a) { a.SetHotKey(h, key); }), (Calls{set, closing}));
  EXPECT_TRUE(p.runtime.boxes.empty());

  for (int32_t refused : {0, -1, 2}) {
    p.windows.results["SendMessage"] = refused;
    p.runtime.boxes.clear();
    EXPECT_EQ(Run([&](CWinAPI& a) { a.SetHotKey(h, key); }),
              (Calls{set, "MessageBox(\"You need another hotkey\", 0, \"Error\")", closing}))
        << refused;
    ASSERT_EQ(p.runtime.boxes.size(), 1u);
    EXPECT_EQ(p.runtime.boxes[0].prompt, L"You need another hotkey");
    EXPECT_EQ(p.runtime.boxes[0].style, 0);
    EXPECT_EQ(p.runtime.boxes[0].title, std::optional<std::wstring>(L"Error"));
  }
  EXPECT_EQ(key, 0x241);
}

TEST_F(CWinAPIKeyboard, WindowsKeyShortcutsPressTheKeyBetweenTheWindowsKeyPresses) {
  auto launch = [&](Long func) { return Run([&](CWinAPI& a) { a.Launch(func); }); };
  const std::string winDown = "keybd_event(0x5B, 0, 0, 0)", winUp = "keybd_event(0x5B, 0, 2, 0)";
  const std::pair<Long, std::string> keys[] = {
      {0, "0x45"}, {1, "0x46"}, {2, "0x4D"}, {3, "0x52"}, {5, "0x70"}};
  for (const auto& [func, vk] : keys) {
    EXPECT_EQ(launch(func), (Calls{winDown, "keybd_event(" + vk + ", 0, 0, 0)", winUp})) << func;
  }
  // The Start menu: the Windows key twice; its one release lets it go.
  EXPECT_EQ(launch(4), (Calls{winDown, winDown, winUp}));
  // Any other code still presses and releases the Windows key around key code 0.
  EXPECT_EQ(launch(9), (Calls{winDown, "keybd_event(0x0, 0, 0, 0)", winUp}));
  EXPECT_EQ(launch(-1), (Calls{winDown, "keybd_event(0x0, 0, 0, 0)", winUp}));
}

TEST(CWinAPIShutdown, ShutdownAndRestartHoldThePrivilegeForTheCallOnly) {
  const std::wstring kShutdown = L"SeShutdownPrivilege";
  using Seen = std::vector<std::pair<uint32_t, bool>>;  // flags, privilege enabled at the call
  const struct {
    Long func;
    bool held, enabledBefore;
    Seen seen;
  } rows[] = {
      {0, true, false, {{1, true}}},    // shut down
      {1, true, false, {{2, true}}},    // restart
      {1, true, true, {{2, true}}},     // already enabled: left enabled
      {0, false, false, {{1, false}}},  // a token without it: the call is still made
      {2, true, false, {{4, false}}},   // forced log-off: no privilege needed
      {3, true, false, {{0, false}}},   // log off
      {7, true, false, {}},
      {-1, true, false, {}},
  };
  for (const auto& r : rows) {
    FakePlatform p;
    CWinAPI api(p);
    if (!r.held) p.system.heldPrivileges.clear();
    if (r.enabledBefore) p.system.enabledPrivileges.insert(kShutdown);
    Seen seen;
    p.windows.onExitWindowsEx = [&](uint32_t flags) {
      seen.emplace_back(flags, p.system.enabledPrivileges.count(kShutdown) != 0);
    };
    Long func = r.func;
    api.ExitWindows(func);
    EXPECT_EQ(seen, r.seen) << r.func;
    EXPECT_EQ(p.system.enabledPrivileges.count(kShutdown) != 0, r.enabledBefore) << r.func;
  }
}

TEST_F(CWinAPIKeyboard, SecureAttentionSwitchPassesTheBooleanWidenedToThirtyTwoBits) {
  auto disable = [&](Boolean b) { return Run([&](CWinAPI& a) { a.DisableCtrlAltDelete(b); }); };
  EXPECT_EQ(disable(kTrue), Calls{"SystemParametersInfo(97, 4294967295, &0, 0)"});
  EXPECT_EQ(disable(kFalse), Calls{"SystemParametersInfo(97, 0, &0, 0)"});
}

}  // namespace
}  // namespace qc
