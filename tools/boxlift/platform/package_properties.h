// The package's Property table and summary information, read with libmsi
// (msitools' library), or with the system's msi.dll in boxlift.exe.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>

namespace boxlift {

// Every row of the package's Property table, UTF-8. Throws Error naming
// the file when it is no readable database or has no Property table.
std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package);

// What the summary information stream says of the package, UTF-8; a
// property the stream lacks is empty.
struct PackageSummary {
    std::string revisionNumber;    // the package code
    std::string templateText;      // "platform;languages", e.g. "x64;1033"
    std::optional<int> wordCount;  // source and elevation flags
};

// Throws Error naming the file when it is no readable database.
PackageSummary ReadSummaryInformation(const std::filesystem::path& package);

}  // namespace boxlift
