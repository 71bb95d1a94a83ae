// The tray icon's record byte for byte (the record is what the shell reads), and the decoding of
// the icon's mouse events from the X the window receives.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using test::FakePlatform;
using Bytes = std::vector<uint8_t>;

struct Tray {
  FakePlatform p;
  CWinAPI api{p};
  // The one record sent, or an empty one when nothing was sent.
  Bytes Send(Long func, Long h, String tip, Picture picture) {
    p.shell.notifyRecords.clear();
    api.TrayIcon(func, h, tip, picture);
    EXPECT_LE(p.shell.notifyRecords.size(), 1u);
    return p.shell.notifyRecords.empty() ? Bytes{} : p.shell.notifyRecords.back();
  }
};

TEST(CWinAPITrayIcon, TheRecordTheShellReads) {
  Tray t;
  const Bytes r = t.Send(0, 0x00123456, L"Quorin", Picture(static_cast<Long>(0x80001234u)));
  // Size 88, window, icon id 1, flags message|icon|tip, events as mouse moves, the icon.
  const Bytes head = {88, 0, 0, 0, 0x56, 0x34, 0x12, 0, 1,    0,    0, 0,
                      7,  0, 0, 0, 0,    2,    0,    0, 0x34, 0x12, 0, 0x80};
  ASSERT_EQ(r.size(), 88u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 24), head);
  // The tip: at most 63 bytes in the ANSI code page, a NUL, blanks to the end of the field.
  const std::string ascii = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,;:!";
  const std::wstring wide(ascii.begin(), ascii.end());
  const struct {
    std::wstring tip;
    std::string field;
  } rows[] = {
      {L"Quorin", std::string("Quorin") + '\0' + std::string(57, ' ')},
      {wide, ascii.substr(0, 63) + '\0'},
      {wide.substr(0, 62), ascii.substr(0, 62) + '\0' + ' '},
      {L"", '\0' + std::string(63, ' ')},
      {L"caf\u00e9", std::string("caf\xE9", 4) + '\0' + std::string(59, ' ')},
  };
  for (const auto& row : rows) {
    const Bytes rec = t.Send(0, 1, row.tip, Picture(5));
    EXPECT_EQ(std::string(rec.begin() + 24, rec.end()), row.field) << row.field.size();
  }
}

TEST(CWinAPITrayIcon, AddModifyDeleteSendTheSameRecordOthersNothing) {
  Tray t;
  const Bytes added = t.Send(0, 42, L"tip", Picture(9));
  EXPECT_EQ(t.Send(1, 42, L"tip", Picture(9)), added);
  EXPECT_EQ(t.Send(2, 42, L"tip", Picture(9)), added);
  EXPECT_EQ(t.p.log.Matching("Shell_NotifyIcon"),
            (std::vector<std::string>{"Shell_NotifyIcon(0, 88)", "Shell_NotifyIcon(1, 88)",
                                      "Shell_NotifyIcon(2, 88)"}));
  EXPECT_TRUE(t.Send(3, 42, L"tip", Picture(9)).empty());
  EXPECT_EQ(test::ErrorNumberOf([&] { t.Send(0, 42, L"tip", Picture()); }), kErrObjectNotSet);
  EXPECT_EQ(t.p.log.Matching("Shell_NotifyIcon").size(), 3u);
}

TEST(CWinAPITrayMessages, XInTwipsGivesTheMessageAndIsRewrittenInPixels) {
  FakePlatform p;
  CWinAPI api(p);
  const struct {
    float factor;  // twips per pixel
    Single x;
    Long message;
    Single pixels;
  } rows[] = {
      {15, 7695, 513, 513},
      {15, 7665, 0, 511},
      {15, 7830, 0, 522},
      {15, 100, 0, 6},
      {15, -7695, 0, -513},
      {15, 7694.5f, 512, 512},
      {15, 7709.5f, 514, 514},
      {12, 513 * 12, 513, 513},
      {7.5f, 513 * 7.5f, 513, 513},
      {7.5f, 100, 0, 13},
      {1440.0f / 168, 521 * (1440.0f / 168), 521, 521},
  };
  for (const auto& row : rows) {
    p.runtime.twipsX = row.factor;
    Single x = row.x;
    EXPECT_EQ(api.TryIcnRtnMsg(x), row.message) << row.factor << " " << row.x;
    EXPECT_EQ(x, row.pixels) << row.factor << " " << row.x;
  }
  Single huge = 3e38f;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.TryIcnRtnMsg(huge); }), kErrOverflow);
}

}  // namespace
}  // namespace qc
