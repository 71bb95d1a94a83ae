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
  // The closing box of the removal: its text and style.
  struct Report {
    std::wstring text;
    int style = 0;
  };
  Report RemovalReport() const;

  template <class Handler>
  void Dispatch(Handler&& handler);

  // The instances are created by the first statement that needs them and live with the window.
  AdvancedRegistryFunctions& TheRegistryAccess();
  CWinAPI& TheUtilities();
  // The registry views the per-machine Run key has: the process's own, plus the 64-bit one
  // when a 32-bit process runs on 64-bit Windows (asked once).
  std::vector<RegistryView> MachineViews();
  Variant KeyValueExistIn(RegistryView view, const std::wstring& path, const std::wstring& name);
  // Whether a value is there; Unknown when the check itself failed (reason says why).
  enum class Presence { Present, Absent, Unknown };
  Presence CheckValue(RegistryView view, const std::wstring& path, const std::wstring& name,
                      std::wstring& reason);

  // Removal steps; each records an item it could not remove in failures_.
  void RemoveRunValue(RegistryView view, const std::wstring& path, const std::wstring& name,
                      const std::wstring& item);
  void ClearAttributes(const std::wstring& path);
  void DeleteWormFile(const std::wstring& path);
  // After a deletion that reported success: whether the file is really gone, else why not.
  void ConfirmGone(const std::wstring& path);
  // The volume behind a path's drive letter.
  bool OnReadOnlyVolume(const std::wstring& path);
  bool OnRemovableDrive(const std::wstring& path);

  Platform& platform_;
  std::unique_ptr<AdvancedRegistryFunctions> RegistryAccess;
  std::unique_ptr<CWinAPI> Utilities;
  std::wstring UserName;
  int wow64_ = -1;  // unknown until first asked

  // The current removal's findings: items left behind (with why), files left on read-only
  // discs, network drives that could not be reached.
  std::vector<std::wstring> failures_;
  std::vector<std::wstring> onDiscs_;
  std::wstring unreachableDrives_;
  bool scheduledForRestart_ = false;
  // An error box from Dispatch is on screen: another error meanwhile shows no second box.
  bool errorBoxUp_ = false;
};

}  // namespace qc
