// The package's Property table and summary information, read with libmsi
// (msitools' library), once the compound-file check has found the file sound.
#include <libmsi.h>

#include <memory>
#include <mutex>
#include <string>

#include "base/error.h"
#include "platform/compound_file.h"
#include "platform/package_properties.h"

namespace boxlift {
namespace {

struct GObjectUnref {
    void operator()(void* object) const { g_object_unref(object); }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

struct GErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};

struct GFree {
    void operator()(gchar* text) const { g_free(text); }
};

// Runs fn(&error) and throws an Error about the file with what libmsi said
// when it left an error.
template <typename Fn>
auto Checked(const std::string& file, const std::string& what, Fn fn) {
    GError* raw = nullptr;
    auto result = fn(&raw);
    std::unique_ptr<GError, GErrorFree> error(raw);
    if (error || !result)
        throw Error(what + (error ? std::string(": ") + error->message : std::string()))
            .InFile(file);
    return result;
}

GObjectPtr<LibmsiDatabase> OpenDatabase(const std::string& name) {
    return GObjectPtr<LibmsiDatabase>(
        Checked(name, "not a readable installer database", [&](GError** e) {
            return libmsi_database_new(name.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, e);
        }));
}

// One string of the summary information; empty when it is not there.
std::string SummaryString(LibmsiSummaryInfo* summary, LibmsiProperty property) {
    GError* raw = nullptr;
    if (libmsi_summary_info_get_property_type(summary, property, &raw) !=
        LIBMSI_PROPERTY_TYPE_STRING) {
        if (raw) g_error_free(raw);
        return {};
    }
    const gchar* text = libmsi_summary_info_get_string(summary, property, &raw);
    if (raw) g_error_free(raw);
    return text ? text : "";
}

std::optional<int> SummaryInt(LibmsiSummaryInfo* summary, LibmsiProperty property) {
    GError* raw = nullptr;
    LibmsiPropertyType type = libmsi_summary_info_get_property_type(summary, property, &raw);
    std::optional<int> value;
    if (!raw && type == LIBMSI_PROPERTY_TYPE_INT)
        value = libmsi_summary_info_get_int(summary, property, &raw);
    if (raw) g_error_free(raw);
    return value;
}

// libmsi, libgsf and GLib warn on standard error about what they find in
// a damaged file; the tool reports the failure itself, once, so their
// messages are dropped. (A fatal GLib error still aborts.)
void SilenceLibraryMessages() {
    static std::once_flag once;
    std::call_once(once, [] {
        g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {},
                                  nullptr);
        g_log_set_writer_func(
            [](GLogLevelFlags, const GLogField*, gsize, gpointer) { return G_LOG_WRITER_HANDLED; },
            nullptr, nullptr);
    });
}

// The text of a field, empty when libmsi has none for it.
std::string Field(LibmsiRecord* record, guint field) {
    if (libmsi_record_get_field_count(record) < field || libmsi_record_is_null(record, field))
        return {};
    std::unique_ptr<gchar, GFree> text(libmsi_record_get_string(record, field));
    return text ? std::string(text.get()) : std::string();
}

// Runs sql and calls row(record) for each row; an error names the file.
template <typename Row>
void ForEachRow(LibmsiDatabase* database, const std::string& file, const char* sql,
                const char* missing, Row row) {
    GObjectPtr<LibmsiQuery> query(
        Checked(file, missing, [&](GError** e) { return libmsi_query_new(database, sql, e); }));
    Checked(file, "cannot read the Property table",
            [&](GError** e) { return libmsi_query_execute(query.get(), nullptr, e); });
    for (;;) {
        GError* raw = nullptr;
        GObjectPtr<LibmsiRecord> record(libmsi_query_fetch(query.get(), &raw));
        std::unique_ptr<GError, GErrorFree> error(raw);
        if (error)
            throw Error(std::string("cannot read the Property table: ") + error->message)
                .InFile(file);
        if (!record) return;  // the end of the table, no error
        row(record.get());
    }
}

// The rows of the Property table, its columns checked first.
std::map<std::string, std::string> PropertiesOf(LibmsiDatabase* database,
                                                const std::filesystem::path& package) {
    const std::string name = package.string();
    std::vector<ColumnRow> columns;
    ForEachRow(
        database, name, kPropertyColumnsQuery, "has no _Columns table", [&](LibmsiRecord* record) {
            const bool numbered =
                libmsi_record_get_field_count(record) >= 1 && !libmsi_record_is_null(record, 1);
            columns.push_back({numbered ? libmsi_record_get_int(record, 1) : 0, Field(record, 2)});
        });
    AboutFile(package, [&] { CheckPropertyColumns(columns); });
    std::map<std::string, std::string> properties;
    ForEachRow(database, name, "SELECT `Property`, `Value` FROM `Property`",
               "has no Property table", [&](LibmsiRecord* record) {
                   const std::string key = Field(record, 1);
                   if (!key.empty()) properties[key] = Field(record, 2);
               });
    return properties;
}

PackageSummary SummaryOf(LibmsiDatabase* database, const std::string& name) {
    GObjectPtr<LibmsiSummaryInfo> summary(
        Checked(name, "cannot read the summary information",
                [&](GError** e) { return libmsi_summary_info_new(database, 0, e); }));
    // libmsi names the properties by their use in documents: the
    // revision number (9) holds the package code, the word count (15) its
    // flags.
    return {SummaryString(summary.get(), LIBMSI_PROPERTY_UUID),
            SummaryString(summary.get(), LIBMSI_PROPERTY_TEMPLATE),
            SummaryInt(summary.get(), LIBMSI_PROPERTY_SOURCE)};
}

// The database, once the compound-file check has found the file sound.
GObjectPtr<LibmsiDatabase> OpenChecked(const std::filesystem::path& package) {
    CheckCompoundFile(package);
    SilenceLibraryMessages();
    return OpenDatabase(package.string());
}

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    return PropertiesOf(OpenChecked(package).get(), package);
}

PackageTables ReadPackageTables(const std::filesystem::path& package) {
    const GObjectPtr<LibmsiDatabase> database = OpenChecked(package);
    return {PropertiesOf(database.get(), package), SummaryOf(database.get(), package.string())};
}

}  // namespace boxlift
