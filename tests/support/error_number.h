// The runtime error number a statement raises, 0 when it raises none: one EXPECT_EQ then says
// both that it failed and how.
#pragma once
#include "platform/runtime_error.h"

namespace qc::test {

template <class Statement>
int ErrorNumberOf(Statement&& statement) {
  try {
    statement();
  } catch (const RuntimeError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace qc::test
