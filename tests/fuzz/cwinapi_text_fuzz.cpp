// CWinAPI's twips conversions and the tray-icon message decoding with any value and any display
// factor: only the runtime's numbered errors come out, TtoP undoes PtoT on whole pixels, and
// TryIcnRtnMsg answers a mouse message or 0.
#include <cmath>
#include <memory>

#include "fuzz/fuzz_input.h"
#include "platform/win_constants.h"
#include "support/fake_platform.h"
#include "winapi/cwinapi.h"

namespace {

using qc::Variant;
using qc::fuzz::Fail;

bool Known(int number) {
  return number == qc::kErrOverflow || number == qc::kErrTypeMismatch ||
         number == qc::kErrDivisionByZero || number == qc::kErrInvalidUseOfNull;
}

template <class F>
void Try(F&& f) {
  try {
    f();
  } catch (const qc::RuntimeError& e) {
    if (!Known(e.number())) Fail("an unexpected runtime error number");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qc::fuzz::Input in(data, size);
  qc::test::FakePlatform platform;
  // Mostly the factors real displays give (15, 12, 7.5 ...); sometimes any float at all.
  const uint8_t pick = in.Byte();
  const float anyX = in.Raw<float>();
  const float anyY = in.Raw<float>();
  const float usual[] = {15.0f, 12.0f, 7.5f, 10.0f, 9.6f, 6.0f, 5.0f, 14.4f};
  platform.runtime.twipsX = (pick & 0x80) ? anyX : usual[pick & 7];
  platform.runtime.twipsY = (pick & 0x40) ? anyY : usual[(pick >> 3) & 7];

  std::unique_ptr<qc::CWinAPI> api;
  Try([&] { api = std::make_unique<qc::CWinAPI>(platform); });
  if (!api) return 0;

  qc::Boolean y = (in.Byte() & 1) ? qc::kTrue : qc::kFalse;
  const int32_t pixels = in.Raw<int16_t>();
  const double anyNumber = in.Raw<double>();
  const std::wstring text = in.Text();

  // Whole pixels out and back, with a whole-number factor as the display gives.
  Try([&] {
    const double factor = y ? platform.runtime.twipsY : platform.runtime.twipsX;
    Variant p = Variant::Long(pixels);
    Variant t = api->PtoT(p, y);
    Variant back = api->TtoP(t, y);
    if (factor >= 1 && factor <= 1440 && factor == std::floor(factor) && qc::CLng(back) != pixels)
      Fail("TtoP does not undo PtoT");
  });
  Try([&] {
    Variant v = Variant::Double(anyNumber);
    (void)api->PtoT(v);
    (void)api->TtoP(v);
  });
  Try([&] {
    Variant v(text);
    (void)api->PtoT(v, y);
    (void)api->TtoP(v, y);
  });
  Try([&] {
    qc::Single x = in.Raw<float>();
    if (in.Byte() & 1) x = static_cast<qc::Single>(pixels) * platform.runtime.twipsX;
    const qc::Long m = api->TryIcnRtnMsg(x);
    if (m != 0 && (m < static_cast<qc::Long>(qc::win::WM_MOUSEMOVE) ||
                   m > static_cast<qc::Long>(qc::win::WM_MBUTTONDBLCLK)))
      Fail("TryIcnRtnMsg answered something other than a mouse message or 0");
    if (m != 0 && x != static_cast<qc::Single>(m))
      Fail("TryIcnRtnMsg left x other than its answer");
  });
  return 0;
}
