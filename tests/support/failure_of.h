// For unit tests of code that raises: the failure an action raised, as one comparable text.
#pragma once

#include <string>

#include "base/raised_failure.h"

namespace orx::testing {

// Runs the action and returns the kind and message of the failure it raises, as "kind message";
// the empty text when it raises none.
template <typename Action>
std::string FailureOf(Action action) {
  try {
    action();
  } catch (const RaisedFailure& failure) {
    return failure.kind() + " " + failure.what();
  }
  return std::string();
}

}  // namespace orx::testing
