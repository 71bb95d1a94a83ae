// Shared fixture of the registry class's native tests: a fresh double per test, the one box shown,
// and the check that no test leaves a key open.
#pragma once
#include <gtest/gtest.h>

#include <string>

#include "registry/advanced_registry_functions.h"
#include "support/fake_platform.h"

namespace qc::test {

// "Empty", "True", "False", "Long 258", "String 'Error'": type and value in one text.
inline std::string Show(const Variant& v) {
  if (v.type() == VarType::Empty) return "Empty";
  if (v.type() == VarType::Boolean) return v.num() != 0 ? "True" : "False";
  if (v.type() == VarType::Long) return "Long " + std::to_string(static_cast<long long>(v.num()));
  return "String '" + CallLog::Narrow(v.str()) + "'";
}

class RegistryClassTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(p.registry.OpenHandles(), 0) << "a key was left open"; }
  // The boxes shown since the last call, as "style|text;" each.
  std::string Boxes() {
    std::string all;
    for (const auto& b : p.runtime.boxes)
      all += std::to_string(b.style) + "|" + CallLog::Narrow(b.prompt) + ";";
    p.runtime.boxes.clear();
    return all;
  }

  FakePlatform p;
  AdvancedRegistryFunctions reg{p};
};

inline const std::wstring kScratch = L"HKEY_CURRENT_USER\\Software\\Scratch";

}  // namespace qc::test
