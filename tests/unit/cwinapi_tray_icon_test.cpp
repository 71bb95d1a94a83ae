// The tray icon's record byte for byte, the decoding of its mouse events, and menu bitmaps,
// against the recording double.
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

uint32_t LongAt(const Bytes& r, size_t offset) {
  return static_cast<uint32_t>(r[offset]) | static_cast<uint32_t>(r[offset + 1]) << 8 |
         static_cast<uint32_t>(r[offset + 2]) << 16 | static_cast<uint32_t>(r[offset + 3]) << 24;
}

std::string TipField(const Bytes& r) {
  return std::string(r.begin() + 24, r.end());
}

struct Tray {
  FakePlatform p;
  CWinAPI api{p};
  Tray() { p.log.Clear(); }
  // The record sent, or an empty one when nothing was sent.
  Bytes Send(Long func, Long h, String tip, Picture picture) {
    p.shell.notifyRecords.clear();
    api.TrayIcon(func, h, tip, picture);
    return p.shell.notifyRecords.empty() ? Bytes{} : p.shell.notifyRecords.back();
  }
};

TEST(CWinAPITrayIcon, RecordCarriesWindowIconCallbackAndAPaddedTip) {
  Tray t;
  const Bytes r = t.Send(0, 0x00123456, L"Quorin", Picture(static_cast<Long>(0x80001234u)));
  ASSERT_EQ(r.size(), 88u);
  EXPECT_EQ(t.p.log.Calls(), std::vector<std::string>{"Shell_NotifyIcon(0, 88)"});
  EXPECT_EQ(LongAt(r, 0), 88u);
  EXPECT_EQ(r[4], 0x56);  // little-endian
  EXPECT_EQ(LongAt(r, 4), 0x00123456u);
  EXPECT_EQ(LongAt(r, 8), 1u);       // the icon's identifier
  EXPECT_EQ(LongAt(r, 12), 7u);      // message, icon and tip are valid
  EXPECT_EQ(LongAt(r, 16), 0x200u);  // events arrive as mouse moves
  EXPECT_EQ(LongAt(r, 20), 0x80001234u);
  EXPECT_EQ(TipField(r), std::string("Quorin") + '\0' + std::string(57, ' '));
}

TEST(CWinAPITrayIcon, TipIsCutToSixtyThreeBytesInTheAnsiCodePage) {
  Tray t;
  const std::string ascii =
      "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.,;:!?()";
  ASSERT_EQ(ascii.size(), 70u);
  const std::wstring seventy(ascii.begin(), ascii.end());
  for (size_t n : {70u, 64u, 63u})
    EXPECT_EQ(TipField(t.Send(0, 1, seventy.substr(0, n), Picture(5))), ascii.substr(0, 63) + '\0')
        << n;
  Bytes r = t.Send(0, 1, seventy.substr(0, 62), Picture(5));
  EXPECT_EQ(TipField(r), ascii.substr(0, 62) + '\0' + ' ');

  r = t.Send(0, 1, L"", Picture(5));
  EXPECT_EQ(TipField(r), std::string(1, '\0') + std::string(63, ' '));

  // The code page's bytes go in: é is one byte in the double's Latin-1.
  r = t.Send(0, 1, L"caf\u00e9", Picture(5));
  EXPECT_EQ(TipField(r).substr(0, 6), std::string("caf\xE9", 4) + '\0' + ' ');
}

TEST(CWinAPITrayIcon, AddModifyAndDeleteSendTheSameRecordOtherCodesSendNothing) {
  Tray t;
  const Bytes added = t.Send(0, 42, L"tip", Picture(9));
  EXPECT_EQ(t.Send(1, 42, L"tip", Picture(9)), added);
  EXPECT_EQ(t.Send(2, 42, L"tip", Picture(9)), added);
  EXPECT_EQ(t.p.log.Matching("Shell_NotifyIcon"),
            (std::vector<std::string>{"Shell_NotifyIcon(0, 88)", "Shell_NotifyIcon(1, 88)",
                                      "Shell_NotifyIcon(2, 88)"}));
  t.p.log.Clear();
  EXPECT_TRUE(t.Send(3, 42, L"tip", Picture(9)).empty());
  EXPECT_TRUE(t.Send(-1, 42, L"tip", Picture(9)).empty());
  EXPECT_TRUE(t.p.log.Calls().empty());
}

TEST(CWinAPITrayIcon, AnUnsetPictureFailsBeforeAnyCallWhateverTheCode) {
  Tray t;
  for (Long func : {0, 2, 3}) {
    EXPECT_EQ(test::ErrorNumberOf([&] { t.Send(func, 42, L"tip", Picture()); }), kErrObjectNotSet)
        << func;
  }
  EXPECT_TRUE(t.p.log.Calls().empty());
}

struct Decoded {
  Long result;
  Single x;
};

Decoded Decode(CWinAPI& api, Single x) {
  const Long r = api.TryIcnRtnMsg(x);
  return {r, x};
}

TEST(CWinAPITrayMessages, XInTwipsIsDecodedAndTheCallersXRewritten) {
  FakePlatform p;
  CWinAPI api(p);  // 15 twips per pixel
  // 100 twips is 6.67 pixels: truncated, not rounded.
  const std::vector<std::pair<Single, Decoded>> cases = {{7695, {513, 513}}, {7680, {512, 512}},
                                                         {7665, {0, 511}},   {7830, {0, 522}},
                                                         {100, {0, 6}},      {-7695, {0, -513}}};
  for (const auto& [twips, expected] : cases) {
    const Decoded d = Decode(api, twips);
    EXPECT_EQ(d.result, expected.result) << twips;
    EXPECT_EQ(d.x, expected.x) << twips;
  }
  for (Long msg = 512; msg <= 521; ++msg) EXPECT_EQ(Decode(api, msg * 15.0f).result, msg);
  // x is rounded (halves to even) before the division: 7694.5 is 7694, 7709.5 is 7710.
  EXPECT_EQ(Decode(api, 7694.5f).x, 512);
  EXPECT_EQ(Decode(api, 7709.5f).x, 514);

  p.runtime.twipsX = 12;  // 120 pixels per inch
  EXPECT_EQ(Decode(api, 513 * 12).result, 513);
}

TEST(CWinAPITrayMessages, FractionalFactorsStillGiveTheTenMessages) {
  FakePlatform p;
  CWinAPI api(p);
  for (float dpi : {192.0f, 168.0f, 144.0f, 288.0f}) {
    p.runtime.twipsX = 1440.0f / dpi;
    for (Long msg = 512; msg <= 521; ++msg) {
      const Decoded d = Decode(api, static_cast<Single>(msg) * p.runtime.twipsX);
      EXPECT_EQ(d.result, msg) << dpi;
      EXPECT_EQ(d.x, msg) << dpi;
    }
    EXPECT_EQ(Decode(api, 100).result, 0) << dpi;
  }
  EXPECT_THROW(Decode(api, 3e38f), RuntimeError);  // beyond a Long: overflow
}

TEST(CWinAPIMenuBitmaps, TheItemOnTheBarGetsThePictureForBothStates) {
  FakePlatform p;
  CWinAPI api(p);
  p.log.Clear();
  p.windows.results["GetMenu"] = 0x100;
  p.windows.results["GetSubMenu"] = 0x200;
  p.windows.results["GetMenuItemID"] = 1005;
  Long h = 9;
  Byte sub = 1, item = 2;
  Picture bmp(0x300);
  api.MenuBitmaps(h, sub, item, bmp);
  EXPECT_EQ(p.log.Calls(),
            (std::vector<std::string>{"GetMenu(9)", "GetSubMenu(256, 1)", "GetMenuItemID(512, 2)",
                                      "SetMenuItemBitmaps(256, 1005, 4, 768, 768)"}));

  p.log.Clear();
  Picture none;
  EXPECT_EQ(test::ErrorNumberOf([&] { api.MenuBitmaps(h, sub, item, none); }), kErrObjectNotSet);
  EXPECT_TRUE(p.log.Calls().empty());
}

}  // namespace
}  // namespace qc
