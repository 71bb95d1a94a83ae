// Continue-on-error mode for the handlers that must never stop half-way: a failing statement is
// abandoned and the next one runs; a failing if-condition enters the body. Only the runtime's
// numbered errors are absorbed; anything else is a defect and keeps propagating.
#pragma once
#include <type_traits>
#include <utility>

#include "platform/runtime_error.h"
#include "platform/variant.h"

namespace qc {

// Runs one statement; a RuntimeError abandons it silently (effects made before the error stay).
template <class F>
void ResumeNext(F&& statement) {
  try {
    std::forward<F>(statement)();
  } catch (const RuntimeError&) {
    // Continue with the caller's next statement.
  }
}

// Evaluates an if-condition. A RuntimeError while evaluating it (converting a Variant result to
// a truth value included, e.g. a Null) makes the body run: returns true.
template <class F>
bool ConditionOrEnter(F&& condition) {
  try {
    using Result = std::decay_t<decltype(std::forward<F>(condition)())>;
    if constexpr (std::is_same_v<Result, Variant>) {
      return CBool(std::forward<F>(condition)());
    } else {
      return static_cast<bool>(std::forward<F>(condition)());
    }
  } catch (const RuntimeError&) {
    return true;
  }
}

}  // namespace qc
