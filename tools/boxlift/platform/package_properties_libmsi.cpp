// The package's Property table, read with libmsi (msitools' library).
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

}  // namespace

std::map<std::string, std::string> ReadPropertyTable(const std::filesystem::path& package) {
    const std::string name = package.string();
    GObjectPtr<LibmsiDatabase> database(
        Checked(name, "not a readable installer database", [&](GError** e) {
            return libmsi_database_new(name.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, e);
        }));
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

}  // namespace boxlift
