// The viewer's run-time error that an action raises, caught where a test can
// look at it; no error gives a code of 0 and an empty text.
#pragma once

#include <string>

#include "viewer/support/RunTimeError.h"

struct Raised {
  RunTimeErrorCode code{};
  std::string what;
};

template <class Action>
Raised RaisedBy(Action action) {
  try {
    action();
  } catch (const RunTimeError& error) {
    return {error.Code(), error.what()};
  }
  return {};
}
