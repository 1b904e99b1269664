// GNOME's settings through the gsettings command, as the desktop keeps
// them (dconf), and the lists it prints.
#pragma once
#include <string>
#include <vector>

namespace dudo {

// `gsettings` with those arguments, as the user; what it printed, trimmed;
// "" where it failed or took longer than two seconds.
std::string Gsettings(const std::vector<std::string>& arguments);
// The quoted items of a list as gsettings prints it ("['a', 'b']", "@as []").
std::vector<std::string> GsettingsList(const std::string& list);
// A list as gsettings reads one.
std::string GsettingsListText(const std::vector<std::string>& items);

}  // namespace dudo
