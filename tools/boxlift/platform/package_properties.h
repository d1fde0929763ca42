// The package's Property table and summary information, read with libmsi
// (msitools' library), or with the system's msi.dll in boxlift.exe.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace boxlift {

// Every row of the package's Property table, UTF-8. Throws Error naming
// the file when it is no sound compound file, no readable database or has
// no Property table.
std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package);

// What the summary information stream says of the package, UTF-8; a
// property the stream lacks is empty.
struct PackageSummary {
    std::string revisionNumber;    // the package code
    std::string templateText;      // "platform;languages", e.g. "x64;1033"
    std::optional<int> wordCount;  // source and elevation flags
};

// The Property table and the summary information, the file checked and
// opened once for both. Throws Error naming the file as ReadPropertyTable
// does, or when the summary information cannot be read.
struct PackageTables {
    std::map<std::string, std::string> properties;
    PackageSummary summary;
};
PackageTables ReadPackageTables(const std::filesystem::path& package);
// One row of the _Columns table: a column's number and name.
struct ColumnRow {
    int number;
    std::string name;
};

// The Property table's rows of _Columns, checked before the table is
// queried: libmsi and Wine's msi.dll crash on a table whose columns are
// missing or unnamed. Throws Error (without a file) unless the rows number
// the columns 1 to N once each, name each, and name Property and Value.
void CheckPropertyColumns(const std::vector<ColumnRow>& rows);

// The query for the rows CheckPropertyColumns takes.
inline constexpr const char* kPropertyColumnsQuery =
    "SELECT `Number`, `Name` FROM `_Columns` WHERE `Table` = 'Property'";

}  // namespace boxlift
