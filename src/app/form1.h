// The program's one window: its layout, its fields and its three handlers.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "platform/forms_api.h"
#include "platform/platform.h"
#include "registry/advanced_registry_functions.h"
#include "winapi/cwinapi.h"

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

  // The instances are created by the first statement that needs them and live with the window.
  AdvancedRegistryFunctions& TheRegistryAccess();
  CWinAPI& TheUtilities();
  // The registry views the per-machine Run key has: the process's own, plus the 64-bit one
  // when a 32-bit process runs on 64-bit Windows (asked once).
  std::vector<RegistryView> MachineViews();

  Platform& platform_;
  std::unique_ptr<AdvancedRegistryFunctions> RegistryAccess;
  std::unique_ptr<CWinAPI> Utilities;
  std::wstring UserName;
  int wow64_ = -1;  // unknown until first asked

  // An error box from Dispatch is on screen: another error meanwhile shows no second box.
  bool errorBoxUp_ = false;
};

}  // namespace qc
