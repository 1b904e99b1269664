// The runner of the desktop scenarios: a row's steps, separated by ';', one
// at a time against the desktop `make` starts, the program started on it
// first unless the row runs without one; skipped where that desktop is not
// installed. A step is a verb and its arguments; a verb the runner does not
// know fails the row.
#pragma once
#include <memory>
#include <string>

#include "tests/e2e/desktop.h"

namespace dudo::e2e {

void RunScenario(const DesktopOptions& options, std::unique_ptr<Desktop> (*make)(const DesktopOptions&), const std::string& steps);

}  // namespace dudo::e2e
