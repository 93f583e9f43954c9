#pragma once

#include "PortInfo.h"

#include <filesystem>
#include <string>
#include <vector>

namespace serial
{

// The serial ports of the machine, sorted by device path. Never throws: an
// unreadable device registry gives an empty list.
std::vector<PortInfo> list_ports();

// The same listing over the sysfs tree at sysfsRoot, with device paths made
// of devicePrefix and the port's name.
std::vector<PortInfo> list_ports(const std::filesystem::path& sysfsRoot, const std::string& devicePrefix);

} // namespace serial
