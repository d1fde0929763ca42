// A setup.exe as inspect, extract and verify see it: the launcher image as
// a PE file, the payload found and read by the launcher's own reader, the
// version resource and any Authenticode signature behind the payload.
// Only the file's first bytes are held in memory; the rest is read from
// the file as it is needed, so a setup of any size takes the same memory.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "base/bytes.h"
#include "base/error.h"
#include "base/random_access.h"
#include "image/pe_image.h"
#include "image/version_info.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"

namespace boxlift {

struct SetupFile {
    std::filesystem::path path;
    RandomAccess file;  // the whole file
    Bytes head;         // its first kPayloadHeadSize bytes, or all of a smaller file
    PeImage image;
    PayloadLayout layout;
    std::optional<VersionInfo> version;  // none when the image has none
    PeDirectory signature;               // the certificate table; size 0 when unsigned
};

// Opens the file and reads its PE headers, the payload's layout and
// settings and the version resource. Throws Error naming the file.
SetupFile ReadSetupFile(const std::filesystem::path& path);

// The same over the file's bytes, already in memory; path names it.
SetupFile ParseSetupFile(const std::filesystem::path& path, Bytes bytes);

// The name a copy of the package takes in the temporary folder: the
// setup's own, as a .msi.
std::string PackageCopyName(const SetupFile& setup);

// Writes the package to out record by record, every record checked as it
// is read; returns its size. Throws Error naming the record and the file.
std::uint64_t CopyPackage(const SetupFile& setup, TempFile& out);

}  // namespace boxlift
