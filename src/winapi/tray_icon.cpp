// The notification-area icon, the decoding of its mouse events, and menu item bitmaps.
#include <algorithm>
#include <cmath>

#include "platform/win_constants.h"
#include "winapi/cwinapi.h"

namespace qc {
namespace {

// The ANSI NOTIFYICONDATA of the first shell versions.
constexpr size_t kRecordSize = 88;
constexpr size_t kTipOffset = 24;
constexpr size_t kTipSize = 64;
constexpr uint32_t kIconId = 1;  // one icon per window through this class

void PutLong(std::vector<uint8_t>& record, size_t offset, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) record[offset + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

void CWinAPI::TrayIcon(Long& func, Long& h, String& sName, Picture& p) {
  // The picture is read first: an unset one fails whatever func asks for.
  const Long icon = p.Handle();

  std::vector<uint8_t> record(kRecordSize, 0);
  PutLong(record, 0, kRecordSize);
  PutLong(record, 4, static_cast<uint32_t>(h));
  PutLong(record, 8, kIconId);
  PutLong(record, 12, win::NIF_MESSAGE | win::NIF_ICON | win::NIF_TIP);
  // The shell reports the icon's mouse events as mouse moves, with the event in the place of X.
  PutLong(record, 16, win::WM_MOUSEMOVE);
  PutLong(record, 20, static_cast<uint32_t>(icon));
  // The tip: at most 63 bytes and a NUL; the rest of the field is blanks.
  const std::string tip = platform_.CodePage().ToAnsi(sName);
  const size_t n = std::min(tip.size(), kTipSize - 1);
  std::fill(record.begin() + kTipOffset, record.end(), static_cast<uint8_t>(' '));
  std::copy(tip.begin(), tip.begin() + static_cast<std::ptrdiff_t>(n), record.begin() + kTipOffset);
  record[kTipOffset + n] = 0;

  uint32_t message;
  switch (func) {
    case 0:
      message = win::NIM_ADD;
      break;
    case 1:
      message = win::NIM_MODIFY;
      break;
    case 2:
      message = win::NIM_DELETE;
      break;
    default:
      return;
  }
  platform_.Shell().Shell_NotifyIcon(message, record);
}

Long CWinAPI::TryIcnRtnMsg(Single& x) {
  const Single factor = static_cast<Single>(FactorX());
  Long v;
  if (factor == static_cast<Single>(RoundHalfEven(factor))) {
    // Both rounded to whole numbers (halves to even), then divided and truncated.
    v = IntDiv(Variant::Single(x), Variant::Single(factor));
  } else {
    // A fractional factor (1440 / 192 = 7.5 at 192 pixels per inch) cannot be rounded before
    // dividing: 513 pixels would come back as 481. X is a whole number of pixels times the
    // factor, so the nearest whole quotient is that number.
    v = CLng(Variant::Double(static_cast<double>(x) / static_cast<double>(factor)));
  }
  x = static_cast<Single>(v);
  if (v >= static_cast<Long>(win::WM_MOUSEMOVE) && v <= static_cast<Long>(win::WM_MBUTTONDBLCLK)) {
    return v;
  }
  return 0;
}

void CWinAPI::MenuBitmaps(Long& h, Byte& subMenu, Byte& MenuID, Picture& chkbmp) {
  const Long bitmap = chkbmp.Handle();  // an unset picture fails before any call
  IWindows& w = platform_.Windows();
  const int32_t bar = w.GetMenu(h);
  const int32_t sub = w.GetSubMenu(bar, subMenu);
  const int32_t id = w.GetMenuItemID(sub, MenuID);
  // The item is named by its command identifier on the bar, which reaches into the drop-downs.
  w.SetMenuItemBitmaps(bar, static_cast<uint32_t>(id), win::MF_BYCOMMAND | win::MF_BITMAP, bitmap,
                       chkbmp.Handle());
}

}  // namespace qc
