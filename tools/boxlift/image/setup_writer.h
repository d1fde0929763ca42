// Writing a setup.exe: the payload file streamed to disk, with the PE
// checksum set over the whole.
#pragma once

#include <cstdint>
#include <filesystem>

#include "base/bytes.h"
#include "payload/pack_options.h"
#include "payload/settings.h"

namespace boxlift {

// The PE launcher image, the settings and the package file, written to
// output (all or nothing) as they are made, and the PE checksum set over
// the whole. Returns the package's size.
std::uint64_t WriteSetupFile(const std::filesystem::path& output, ByteView launcherImage,
                             const Settings& settings, const std::filesystem::path& package,
                             const PackOptions& options);

}  // namespace boxlift
