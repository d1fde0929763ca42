// The package's Property table and summary information, read with libmsi
// (msitools' library).
#include <libmsi.h>

#include <memory>
#include <string>

#include "base/error.h"
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

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    const std::string name = package.string();
    GObjectPtr<LibmsiDatabase> database = OpenDatabase(name);
    GObjectPtr<LibmsiQuery> query(Checked(name, "has no Property table", [&](GError** e) {
        return libmsi_query_new(database.get(), "SELECT `Property`, `Value` FROM `Property`", e);
    }));
    Checked(name, "cannot read the Property table",
            [&](GError** e) { return libmsi_query_execute(query.get(), nullptr, e); });
    std::map<std::string, std::string> properties;
    for (;;) {
        GError* raw = nullptr;
        GObjectPtr<LibmsiRecord> record(libmsi_query_fetch(query.get(), &raw));
        std::unique_ptr<GError, GErrorFree> error(raw);  // NO_MORE_ITEMS ends the table
        if (!record) break;
        std::unique_ptr<gchar, GFree> key(libmsi_record_get_string(record.get(), 1));
        std::unique_ptr<gchar, GFree> value(libmsi_record_get_string(record.get(), 2));
        if (key && value) properties[key.get()] = value.get();
    }
    return properties;
}

PackageSummary ReadSummaryInformation(const std::filesystem::path& package) {
    const std::string name = package.string();
    GObjectPtr<LibmsiDatabase> database = OpenDatabase(name);
    GObjectPtr<LibmsiSummaryInfo> summary(
        Checked(name, "cannot read the summary information",
                [&](GError** e) { return libmsi_summary_info_new(database.get(), 0, e); }));
    // libmsi names the properties by their use in documents: the
    // revision number (9) holds the package code, the word count (15) its
    // flags.
    return {SummaryString(summary.get(), LIBMSI_PROPERTY_UUID),
            SummaryString(summary.get(), LIBMSI_PROPERTY_TEMPLATE),
            SummaryInt(summary.get(), LIBMSI_PROPERTY_SOURCE)};
}

}  // namespace boxlift
