// requiredEngineVersion: "MAJOR.MINOR" in decimal, stored as the two bytes
// major + 1 and minor + 1 (a zero byte would end the text early).
#pragma once

#include <string>

namespace boxlift {

// "MAJOR.MINOR" -> the two bytes major + 1, minor + 1. Throws Error for a
// malformed text or a number the launcher cannot compare (above 126).
std::string EncodeEngineVersion(const std::string& version);

}  // namespace boxlift
