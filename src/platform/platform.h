// The platform seam: every Win32 call and every forms-runtime service reaches the logic through
// one of these families. The classes take a Platform by reference; their default constructors
// use the process's own (the Win32 backend in the product, the test double in native tests).
#pragma once
#include "platform/codepage.h"
#include "platform/files_api.h"
#include "platform/forms_api.h"
#include "platform/multimedia_api.h"
#include "platform/processes_api.h"
#include "platform/registry_api.h"
#include "platform/runtime_api.h"
#include "platform/shell_api.h"
#include "platform/system_api.h"
#include "platform/windows_api.h"

namespace qc {

class Platform {
 public:
  virtual ~Platform() = default;
  virtual ICodePage& CodePage() = 0;
  virtual IRegistry& Registry() = 0;
  virtual IRuntime& Runtime() = 0;
  virtual IFiles& Files() = 0;
  virtual IForms& Forms() = 0;
  virtual IWindows& Windows() = 0;
  virtual ISystem& System() = 0;
  virtual IShell& Shell() = 0;
  virtual IMultimedia& Multimedia() = 0;
  virtual IProcesses& Processes() = 0;
};

Platform& DefaultPlatform();

}  // namespace qc
