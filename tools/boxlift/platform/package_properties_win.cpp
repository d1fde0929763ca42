// The package's Property table, read with the system's msi.dll, for
// boxlift.exe, once the compound-file check has found the file sound.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <msi.h>
#include <msiquery.h>

#include "base/error.h"
#include "platform/codepage.h"
#include "platform/compound_file.h"
#include "platform/package_properties.h"

namespace boxlift {
namespace {

// MSIDBOPEN_READONLY, which the headers give as an ANSI string pointer.
const LPCWSTR kReadOnly = reinterpret_cast<LPCWSTR>(MSIDBOPEN_READONLY);

// Owns one MSIHANDLE.
class MsiHandle {
public:
    MsiHandle() = default;
    ~MsiHandle() {
        if (handle_) MsiCloseHandle(handle_);
    }
    MsiHandle(const MsiHandle&) = delete;
    MsiHandle& operator=(const MsiHandle&) = delete;

    MSIHANDLE get() const { return handle_; }
    MSIHANDLE* out() { return &handle_; }

private:
    MSIHANDLE handle_ = 0;
};

void Check(UINT status, const std::string& file, const char* what) {
    if (status != ERROR_SUCCESS)
        throw Error(what + (" (error " + std::to_string(status) + ")")).InFile(file);
}

std::string Field(const MsiHandle& record, unsigned field) {
    std::wstring text(64, L'\0');
    DWORD length = static_cast<DWORD>(text.size());
    UINT status = MsiRecordGetStringW(record.get(), field, text.data(), &length);
    if (status == ERROR_MORE_DATA) {
        text.resize(++length);
        status = MsiRecordGetStringW(record.get(), field, text.data(), &length);
    }
    if (status != ERROR_SUCCESS) return {};
    text.resize(length);
    return FromUtf16(std::u16string(text.begin(), text.end()));
}

// Runs query and calls row(record) for each row; an error names the file.
template <typename Row>
void ForEachRow(const MsiHandle& database, const std::string& file, const wchar_t* query,
                const char* missing, Row row) {
    MsiHandle view;
    Check(MsiDatabaseOpenViewW(database.get(), query, view.out()), file, missing);
    Check(MsiViewExecute(view.get(), 0), file, "cannot read the Property table");
    for (;;) {
        MsiHandle record;
        UINT status = MsiViewFetch(view.get(), record.out());
        if (status == ERROR_NO_MORE_ITEMS) return;
        Check(status, file, "cannot read the Property table");
        row(record);
    }
}

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    CheckCompoundFile(package);
    const std::string name = package.string();
    MsiHandle database;
    Check(MsiOpenDatabaseW(package.c_str(), kReadOnly, database.out()), name,
          "not a readable installer database");
    std::vector<ColumnRow> columns;
    const std::string columnsQuery = kPropertyColumnsQuery;
    ForEachRow(database, name, std::wstring(columnsQuery.begin(), columnsQuery.end()).c_str(),
               "has no _Columns table", [&](const MsiHandle& record) {
                   const int number = MsiRecordGetInteger(record.get(), 1);
                   columns.push_back({number == static_cast<int>(MSI_NULL_INTEGER) ? 0 : number,
                                      Field(record, 2)});
               });
    AboutFile(package, [&] { CheckPropertyColumns(columns); });
    std::map<std::string, std::string> properties;
    ForEachRow(database, name, L"SELECT `Property`, `Value` FROM `Property`",
               "has no Property table", [&](const MsiHandle& record) {
                   const std::string key = Field(record, 1);
                   if (!key.empty()) properties[key] = Field(record, 2);
               });
    return properties;
}

}  // namespace boxlift
