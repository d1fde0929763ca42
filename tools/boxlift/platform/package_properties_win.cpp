// The package's Property table and summary information, read with the
// system's msi.dll, for boxlift.exe, once the compound-file check has found
// the file sound.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <wtypes.h>  // the property types, VT_I4 and VT_LPSTR
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

// A string from msi.dll: get(buffer, &length) is called again with room
// for the length it asked for. Empty when the call fails.
template <typename Get>
std::string MsiString(Get get) {
    std::wstring text(64, L'\0');
    DWORD length = static_cast<DWORD>(text.size());
    UINT status = get(text.data(), &length);
    if (status == ERROR_MORE_DATA) {
        text.resize(++length);
        status = get(text.data(), &length);
    }
    if (status != ERROR_SUCCESS) return {};
    text.resize(length);
    return FromUtf16(std::u16string(text.begin(), text.end()));
}

std::string Field(const MsiHandle& record, unsigned field) {
    return MsiString([&](LPWSTR buffer, DWORD* length) {
        return MsiRecordGetStringW(record.get(), field, buffer, length);
    });
}

// PID_TEMPLATE, PID_REVNUMBER and PID_WORDCOUNT of the summary information.
const UINT kTemplate = 7, kRevisionNumber = 9, kWordCount = 15;

std::string SummaryString(const MsiHandle& summary, UINT property) {
    return MsiString([&](LPWSTR buffer, DWORD* length) {
        UINT type = 0;
        INT number = 0;
        FILETIME time{};
        UINT status = MsiSummaryInfoGetPropertyW(summary.get(), property, &type, &number, &time,
                                                 buffer, length);
        return status == ERROR_SUCCESS && type != VT_LPSTR ? ERROR_INVALID_DATA : status;
    });
}

std::optional<int> SummaryInt(const MsiHandle& summary, UINT property) {
    UINT type = 0;
    INT number = 0;
    FILETIME time{};
    DWORD length = 0;
    UINT status = MsiSummaryInfoGetPropertyW(summary.get(), property, &type, &number, &time,
                                             nullptr, &length);
    if (status != ERROR_SUCCESS || type != VT_I4) return std::nullopt;
    return number;
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

// The rows of the Property table, its columns checked first.
std::map<std::string, std::string> PropertiesOf(const MsiHandle& database,
                                                const std::filesystem::path& package) {
    const std::string name = package.string();
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

PackageSummary SummaryOf(const MsiHandle& database, const std::string& name) {
    MsiHandle summary;
    Check(MsiGetSummaryInformationW(database.get(), nullptr, 0, summary.out()), name,
          "cannot read the summary information");
    return {SummaryString(summary, kRevisionNumber), SummaryString(summary, kTemplate),
            SummaryInt(summary, kWordCount)};
}

// Opens the database into database, once the compound-file check has found
// the file sound.
void OpenChecked(const std::filesystem::path& package, MsiHandle& database) {
    CheckCompoundFile(package);
    Check(MsiOpenDatabaseW(package.c_str(), kReadOnly, database.out()), package.string(),
          "not a readable installer database");
}

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    MsiHandle database;
    OpenChecked(package, database);
    return PropertiesOf(database, package);
}

PackageTables ReadPackageTables(const std::filesystem::path& package) {
    MsiHandle database;
    OpenChecked(package, database);
    return {PropertiesOf(database, package), SummaryOf(database, package.string())};
}

}  // namespace boxlift
