// The checks of the package's tables that both readers of the Property
// table share (package_properties_libmsi.cpp, package_properties_win.cpp).
#include "platform/package_properties.h"

#include <algorithm>

#include "base/error.h"

namespace boxlift {

void CheckPropertyColumns(const std::vector<ColumnRow>& rows) {
    if (rows.empty()) throw Error("has no Property table");
    std::vector<bool> seen(rows.size() + 1, false);
    for (const ColumnRow& row : rows) {
        if (row.number < 1 || static_cast<std::size_t>(row.number) > rows.size() ||
            seen[row.number])
            throw Error("the Property table's columns are damaged: column number " +
                        std::to_string(row.number) + " of " + std::to_string(rows.size()));
        if (row.name.empty())
            throw Error("the Property table's columns are damaged: column " +
                        std::to_string(row.number) + " has no name");
        seen[row.number] = true;
    }
    for (const char* name : {"Property", "Value"})
        if (std::none_of(rows.begin(), rows.end(),
                         [name](const ColumnRow& row) { return row.name == name; }))
            throw Error(std::string("the Property table has no ") + name + " column");
}

}  // namespace boxlift
