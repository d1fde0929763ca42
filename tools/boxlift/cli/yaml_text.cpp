#include "cli/yaml_text.h"

namespace boxlift {
namespace {

using nlohmann::ordered_json;

void Mapping(const ordered_json& object, int indent, bool continuesLine, std::string& out);

// What follows "key:" or "- ": a scalar on the same line, a collection on
// the lines after it.
void Value(const ordered_json& value, int indent, std::string& out) {
    if (value.is_object() && !value.empty()) {
        out += '\n';
        Mapping(value, indent + 2, false, out);
    } else if (value.is_array() && !value.empty()) {
        out += '\n';
        for (const ordered_json& item : value) {
            out.append(indent, ' ');
            out += '-';
            if (item.is_object() && !item.empty()) {
                out += ' ';
                Mapping(item, indent + 2, true, out);
            } else {
                Value(item, indent + 2, out);
            }
        }
    } else {
        out += ' ';
        out += value.dump(-1, ' ', false, ordered_json::error_handler_t::strict);
        out += '\n';
    }
}

// continuesLine: the first key goes on a line already begun with "- ".
void Mapping(const ordered_json& object, int indent, bool continuesLine, std::string& out) {
    for (const auto& [key, value] : object.items()) {
        if (!continuesLine) out.append(indent, ' ');
        continuesLine = false;
        out += key;
        out += ':';
        Value(value, indent, out);
    }
}

}  // namespace

std::string YamlText(const ordered_json& document) {
    std::string out;
    Mapping(document, 0, false, out);
    return out;
}

}  // namespace boxlift
