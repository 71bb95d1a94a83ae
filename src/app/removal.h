// What "Kill Virus" does: end the worm's running programs, delete its start-up values and its
// files, look once more for programs that started each other again, and say what became of each
// item. One Removal per press, so nothing is left from the last run.
#pragma once
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "registry/advanced_registry_functions.h"

namespace qc {

// The worm's start-up keys (note "SOFTWARE" against "Software").
inline constexpr wchar_t kMachineRun[] =
    L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr wchar_t kUserRun[] =
    L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Whether a start-up value is there; Unknown when the check itself failed (reason says why).
enum class Presence { Present, Absent, Unknown };
Presence CheckRunValue(AdvancedRegistryFunctions& registry, RegistryView view,
                       const std::wstring& path, const std::wstring& name, std::wstring& reason);

// What became of one item: a running program, a start-up value or a file. Items that were never
// there have none.
struct Finding {
  enum class Kind { Program, Value, File };
  enum class Outcome {
    Removed,     // it was there and is gone (a program: it was ended)
    Failed,      // still there, or could not be checked: reason says why
    OnDisc,      // on a read-only disc: said, but no failure
    NotChecked,  // its drive could not be reached
  };
  // What the line of a file held by a program adds.
  enum class Restart { None, Scheduled, CouldNotSchedule, NotOnSystemVolume };
  Kind kind;
  std::wstring item;  // the value as the user reads it, or the file's path
  Outcome outcome;
  std::wstring reason;
  Restart restart = Restart::None;
};

// The closing box: its text and style.
struct RemovalReport {
  std::wstring text;
  int style = 0;
};
RemovalReport RenderRemoval(const std::vector<Finding>& findings);

class Removal {
 public:
  // machineViews: the registry views the per-machine Run key has for this process.
  Removal(Platform& platform, AdvancedRegistryFunctions& registry,
          std::vector<RegistryView> machineViews);
  Removal(const Removal&) = delete;
  Removal& operator=(const Removal&) = delete;

  // Runs every step, whatever happened in the steps before, and returns the findings in the
  // order the items were first met.
  std::vector<Finding> Run();

 private:
  // The facts of a drive, read once per letter.
  struct DriveFacts {
    uint32_t type = 0;
    bool systemVolume = false;
    bool unreachableMapping = false;  // mapped by the user, out of this process's sight
    int readOnly = -1;                // asked when first needed
  };
  struct Verdict {
    Finding::Outcome outcome;
    std::wstring reason;
    bool held = false;  // a program holds it: the restart may take it
  };

  // Ends the running programs whose image is one of the worm's files; the paths of those ended.
  std::vector<std::wstring> EndWormPrograms();
  void RemoveRunValue(RegistryView view, const std::wstring& path, const std::wstring& name,
                      const std::wstring& item);
  void ClearAttributes(const std::wstring& path);
  void DeleteWormFile(const std::wstring& path);
  // After a deletion that reported success: whether the file is really gone, else why not.
  Verdict ConfirmGone(const std::wstring& path);
  Verdict Classify(uint32_t code, const std::wstring& what, const std::wstring& path);
  void ScheduleHeldFiles();
  DriveFacts& Drive(const std::wstring& path);
  bool ReadOnlyVolume(const std::wstring& path);
  // Adds a finding, or replaces the one already kept for the same item.
  void Record(Finding::Kind kind, const std::wstring& item, Finding::Outcome outcome,
              const std::wstring& reason = {});

  Platform& platform_;
  AdvancedRegistryFunctions& registry_;
  std::vector<RegistryView> machineViews_;
  std::vector<Finding> findings_;
  std::vector<std::wstring> held_;  // files a program held, for the restart
  std::set<uint32_t> unended_;      // programs that were not ended, by process id
  std::map<wchar_t, DriveFacts> drives_;
  wchar_t systemDrive_ = 0;
};

}  // namespace qc
