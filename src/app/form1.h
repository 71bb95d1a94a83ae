// The program's one window: its layout, its fields and its three handlers.
#pragma once
#include <string>

#include "platform/forms_api.h"
#include "platform/platform.h"

namespace qc {

// Control identifiers of Form1.
enum Form1Control : int {
  kCommand1 = 101,
  kLabel1 = 102,
  kLabel2 = 103,
  kLabel3 = 104,
  kLabel4 = 105,
  kCommand2 = 106,
};

class Form1 : public IFormEvents {
 public:
  explicit Form1(Platform& platform);
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  // The layout of the window in pixels, at the given twips-per-pixel factors.
  static FormSpec Layout(float twipsPerPixelX, float twipsPerPixelY);

  // Creates and shows the window (its timer starts with it).
  void Show();

  // Events from the forms runtime; a runtime error that escapes a handler ends here.
  void OnClick(int controlId) override;
  void OnTimer() override;

  void Command1_Click();
  void Command2_Click();
  void Timer1_Timer();

 private:
  template <class Handler>
  void Dispatch(Handler&& handler);

  Platform& platform_;
};

}  // namespace qc
