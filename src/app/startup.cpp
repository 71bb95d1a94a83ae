#include "app/startup.h"

#include <string>

#include "app/form1.h"
#include "platform/app_info.h"
#include "platform/runtime_error.h"
#include "platform/win_constants.h"

namespace qc {

int RunApplication(Platform& platform) {
  Form1 form(platform);
  try {
    form.Show();
  } catch (const RuntimeError& e) {
    // No window, no way to close the program: say so and end instead of waiting unseen.
    std::wstring text = L"Quorin Cleaner could not open its window";
    if (e.win32_code() != 0) text += L" (Windows error " + std::to_wstring(e.win32_code()) + L")";
    const std::wstring title = kAppTitle;
    platform.Runtime().MessageBox(text + L".", win::MB_ICONHAND | win::MB_OK, &title);
    return 1;
  }
  return platform.Forms().RunMessageLoop();
}

}  // namespace qc
