// Only what must not run for real (shutting down, key presses, the task bar) and the hot-key box.
#include <gtest/gtest.h>

#include <tuple>

#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;

TEST(WindowControl, ShutdownAndRestartHoldThePrivilegeForTheCallOnly) {
  const std::wstring kShutdown = L"SeShutdownPrivilege";
  using Seen = std::vector<std::pair<uint32_t, bool>>;  // flags, privilege enabled at the call
  const std::tuple<Long, bool, bool, Seen> rows[] = {
      {0, true, false, {{1, true}}},   {1, true, false, {{2, true}}},  {1, true, true, {{2, true}}},
      {0, false, false, {{1, false}}},  // the call is still made
      {2, true, false, {{4, false}}},  {3, true, false, {{0, false}}}, {7, true, false, {}},
  };
  for (auto [code, held, enabledBefore, want] : rows) {
    FakePlatform p;
    CWinAPI api(p);
    if (!held) p.system.heldPrivileges.clear();
    if (enabledBefore) p.system.enabledPrivileges.insert(kShutdown);
    Seen seen;
    p.windows.onExitWindowsEx = [&](uint32_t flags) {
      seen.emplace_back(flags, p.system.enabledPrivileges.count(kShutdown) != 0);
    };
    api.ExitWindows(code);
    EXPECT_EQ(seen, want) << code;
    EXPECT_EQ(p.system.enabledPrivileges.count(kShutdown) != 0, enabledBefore) << code;
  }
}

TEST(WindowControl, KeysTaskBarAndHotKeyRefusals) {
  FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();  // what the instance read at creation
  const std::string down = "keybd_event(0x5B, 0, 0, 0)", up = "keybd_event(0x5B, 0, 2, 0)";
  std::vector<std::string> want;  // each key inside the Windows key's; 4 (Start) is that key
  const char* const keys[] = {"0x45", "0x46", "0x4D", "0x52", "0x5B", "0x70", "0x0"};  // 6: none
  for (Long code = 0; code < 7; ++code) {
    api.Launch(code);
    want.insert(want.end(), {down, "keybd_event(" + std::string(keys[code]) + ", 0, 0, 0)", up});
  }
  for (Byte code : {2, 255}) api.TaskBar(code);  // neither hide (0) nor show (1): nothing
  EXPECT_EQ(p.log.Calls(), want);
  Long h = 66, key = 0x241;
  for (int32_t answer : {1, 0, -1, 2}) {  // only 1 means the key was taken
    p.windows.results["SendMessage"] = answer;
    auto& boxes = p.runtime.boxes;
    boxes.clear();
    api.SetHotKey(h, key);
    EXPECT_EQ(boxes.size() == 1 ? boxes[0].prompt + *boxes[0].title : L"",
              answer == 1 ? L"" : L"You need another hotkeyError")
        << answer;
  }
}

}  // namespace
}  // namespace qc
