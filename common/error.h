// One error type for every failure the user is told about: it carries a
// message that can be shown as it stands in a message box.
#pragma once
#include <stdexcept>
#include <string>

namespace dudo {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A number that does not fit where it has to go (a 32-bit integer, a double).
class OverflowError : public Error {
public:
    explicit OverflowError(const std::string& what) : Error("溢位 (overflow): " + what) {}
};

}  // namespace dudo
