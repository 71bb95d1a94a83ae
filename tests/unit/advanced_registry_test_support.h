// Shared fixture of the registry class's native tests: a fresh double per test, and the check
// that no test leaves a key open.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/variant.h"
#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

namespace qc::test {

// "Empty", "True", "False", "Long 258", "String 'Error'": one text per result, so a mismatch
// shows type and value together.
inline std::string Show(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Boolean:
      return v.num() != 0 ? "True" : "False";
    case VarType::Long:
      return "Long " + std::to_string(static_cast<long long>(v.num()));
    case VarType::String: {
      std::string s;
      for (wchar_t c : v.str()) {
        s += (c >= 0x20 && c < 0x7F) ? std::string(1, static_cast<char>(c))
                                     : "\\x" + std::to_string(static_cast<unsigned>(c)) + ";";
      }
      return "String '" + s + "'";
    }
    default:
      return "other type " + std::to_string(static_cast<int>(v.type()));
  }
}

class RegistryClassTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }

  // The registry calls made since the last Clear(), without the message boxes.
  std::vector<std::string> RegistryCalls() const { return p.log.Matching("Reg"); }

  // The one box shown, as "style|title|text" ("<app>" when no title was given).
  std::string OnlyBox() const {
    if (p.runtime.boxes.size() != 1) return std::to_string(p.runtime.boxes.size()) + " boxes";
    const MessageBoxCall& b = p.runtime.boxes[0];
    return std::to_string(b.style) + "|" + (b.title ? CallLog::Narrow(*b.title) : "<app>") + "|" +
           CallLog::Narrow(b.prompt);
  }

  FakePlatform p;
  AdvancedRegistryFunctions reg{p};
};

inline const wchar_t kScratch[] = L"HKEY_CURRENT_USER\\Software\\Scratch";

}  // namespace qc::test
