#include "app/startup.h"

#include "app/form1.h"

namespace qc {

int RunApplication(Platform& platform) {
  Form1 form(platform);
  form.Show();
  return platform.Forms().RunMessageLoop();
}

}  // namespace qc
