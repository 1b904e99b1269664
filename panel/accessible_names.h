// What a screen reader announces for each control of the panel: its caption,
// or for the fields and lists without one, what the label beside them says.
#pragma once
#include <string>

#include "panel/form1.h"

namespace dudo {

std::string AccessibleName(const Form1& form, const Control& control);

}  // namespace dudo
