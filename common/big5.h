// UTF-8 to and from Big5, the code page of the tray record's texts. A
// character Big5 lacks becomes "?", as an ANSI entry point would make it.
#pragma once
#include <string>

namespace dudo {

std::string ToBig5(const std::string& utf8);
std::string FromBig5(const std::string& big5);

}  // namespace dudo
