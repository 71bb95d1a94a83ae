// The tray record byte for byte (it is what the shell reads), and the icon's mouse events.
#include <gtest/gtest.h>

#include <tuple>

#include "support/error_number.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

using Bytes = std::vector<uint8_t>;

TEST(CWinAPITrayIcon, TheRecordTheShellReadsAndWhenItIsSent) {
  test::FakePlatform p;
  CWinAPI api(p);
  auto send = [&](Long func, Long h, String tip, Picture picture) {  // the one record, if any
    p.shell.notifyRecords.clear();
    api.TrayIcon(func, h, tip, picture);
    return p.shell.notifyRecords.empty() ? Bytes{} : p.shell.notifyRecords.at(0);
  };
  const Bytes r = send(0, 0x00123456, L"Quorin", Picture(static_cast<Long>(0x80001234u)));
  // Size 88, window, icon id 1, flags message|icon|tip, events as mouse moves, the icon.
  const Bytes head = {88, 0, 0, 0, 0x56, 0x34, 0x12, 0, 1,    0,    0, 0,
                      7,  0, 0, 0, 0,    2,    0,    0, 0x34, 0x12, 0, 0x80};
  ASSERT_EQ(r.size(), 88u);
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 24), head);
  // The tip: at most 63 bytes in the ANSI code page, a NUL, blanks to the end of the field.
  const std::string ascii = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,;:!";
  const std::pair<std::wstring, std::string> tips[] = {
      {std::wstring(ascii.begin(), ascii.end()), ascii.substr(0, 63) + '\0'},
      {L"caf\u00e9", std::string("caf\xE9", 4) + '\0' + std::string(59, ' ')}};
  for (const auto& [tip, field] : tips) {
    const Bytes rec = send(0, 1, tip, Picture(5));
    EXPECT_EQ(std::string(rec.begin() + 24, rec.end()), field) << field.size();
  }
  const Bytes added = send(0, 42, L"tip", Picture(9));
  for (Long func : {1, 2}) EXPECT_EQ(send(func, 42, L"tip", Picture(9)), added);  // modify, delete
  EXPECT_TRUE(send(3, 42, L"tip", Picture(9)).empty());
  EXPECT_EQ(test::ErrorNumberOf([&] { send(0, 42, L"tip", Picture()); }), kErrObjectNotSet);
  EXPECT_EQ(p.log.Matching("Shell_NotifyIcon").back(), "Shell_NotifyIcon(2, 88)");
}

TEST(CWinAPITrayMessages, XInTwipsGivesTheMessageAndIsRewrittenInPixels) {
  test::FakePlatform p;
  CWinAPI api(p);
  const std::tuple<float, Single, Long, Single> rows[] = {
      {15, 7695, 513, 513},
      {15, 7665, 0, 511},
      {15, -7695, 0, -513},
      {15, 7694.5f, 512, 512},
      {7.5f, 513 * 7.5f, 513, 513},
      {7.5f, 100, 0, 13},
      {1440.0f / 168, 521 * (1440.0f / 168), 521, 521}};
  for (const auto& [factor, x, message, pixels] : rows) {
    p.runtime.twipsX = factor;
    Single inOut = x;
    EXPECT_EQ(api.TryIcnRtnMsg(inOut), message) << factor << " " << x;
    EXPECT_EQ(inOut, pixels) << factor << " " << x;
  }
  Single huge = 3e38f;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.TryIcnRtnMsg(huge); }), kErrOverflow);
}

}  // namespace
}  // namespace qc
