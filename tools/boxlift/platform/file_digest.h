// The SHA-256 of a file, as package managers check downloads: GLib's
// checksum natively, the system's bcrypt.dll in boxlift.exe.
#pragma once

#include <filesystem>
#include <string>

namespace boxlift {

// 64 uppercase hex digits; the file is read piece by piece. Throws Error
// naming the file when it cannot be read.
std::string FileSha256(const std::filesystem::path& file);

}  // namespace boxlift
