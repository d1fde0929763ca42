// The package's Property table, read with libmsi (msitools' library), or
// with the system's msi.dll in boxlift.exe.
#pragma once

#include <filesystem>
#include <map>
#include <string>

namespace boxlift {

// Every row of the package's Property table, UTF-8. Throws Error naming
// the file when it is no readable database or has no Property table.
std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package);

}  // namespace boxlift
