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

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    CheckCompoundFile(package);
    const std::string name = package.string();
    MsiHandle database, view;
    Check(MsiOpenDatabaseW(package.c_str(), kReadOnly, database.out()), name,
          "not a readable installer database");
    Check(MsiDatabaseOpenViewW(database.get(), L"SELECT `Property`, `Value` FROM `Property`",
                               view.out()),
          name, "has no Property table");
    Check(MsiViewExecute(view.get(), 0), name, "cannot read the Property table");
    std::map<std::string, std::string> properties;
    for (;;) {
        MsiHandle record;
        UINT status = MsiViewFetch(view.get(), record.out());
        if (status == ERROR_NO_MORE_ITEMS) break;
        Check(status, name, "cannot read the Property table");
        properties[Field(record, 1)] = Field(record, 2);
    }
    return properties;
}

}  // namespace boxlift
