// A JSON document as block-style YAML: mappings as "key: value" lines,
// sequences as "- " items, every scalar as JSON writes it (YAML reads a
// JSON string, number or literal as the same scalar).
#pragma once

#include <nlohmann/json.hpp>

#include <string>

namespace boxlift {

// document: an object whose keys need no quoting.
std::string YamlText(const nlohmann::ordered_json& document);

}  // namespace boxlift
