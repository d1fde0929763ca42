// The compound-file layout of a package (structured storage: a header, the
// DIFAT and FAT, the MiniFAT, the directory and the streams' sector chains),
// checked before libmsi or msi.dll opens the file: they trust its counts and
// chains, and a damaged file crashes them instead of being refused.
#pragma once

#include <cstdint>
#include <filesystem>

#include "base/random_access.h"

namespace boxlift {

// Checks a compound file of fileSize bytes, read through read: the header's
// fields and counts against the size, the DIFAT, every FAT and MiniFAT
// sector, the directory chain, every directory entry in use (type, name,
// a stream's chain against its size), and the directory tree (ids in
// range, no cycles). Throws Error with the
// first problem found (e.g. "the MiniFAT chain runs past the end of the
// file (sector 2147483647)"). What it holds in memory is bounded by the
// file's size, whatever the counts say.
void CheckCompoundLayout(std::uint64_t fileSize, const ReadAtFunction& read);

// CheckCompoundLayout on the file at path; a problem is an Error naming the
// file: "FILE: not a Windows Installer package: PROBLEM".
void CheckCompoundFile(const std::filesystem::path& path);

}  // namespace boxlift
