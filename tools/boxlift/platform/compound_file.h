// The compound-file layout of a package (structured storage: a header, the
// DIFAT and FAT, the MiniFAT, the directory and the streams' sector chains),
// checked before libmsi or msi.dll opens the file: they trust its counts and
// chains, and a damaged file crashes them instead of being refused. Once
// checked, the same parse reads the file's storages and streams (for the
// package's signature), the same way natively and in boxlift.exe.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

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

enum class CompoundEntryType : std::uint8_t { kStorage = 1, kStream = 2, kRoot = 5 };

// A storage or stream as its directory entry records it.
struct CompoundEntry {
    std::uint32_t id = 0;  // its directory entry; the root is 0
    std::u16string name;   // without the terminating zero
    CompoundEntryType type = CompoundEntryType::kStream;
    std::array<std::uint8_t, 16> clsid{};  // as stored
    std::uint32_t stateBits = 0;
    std::uint64_t created = 0;            // FILETIME
    std::uint64_t modified = 0;           // FILETIME
    std::uint64_t size = 0;               // a stream's bytes; the root's: its mini stream's
    std::vector<std::uint32_t> children;  // a storage's entries, in the tree's order

    bool IsStorage() const { return type != CompoundEntryType::kStream; }
};

struct CompoundLayout;  // the parse, in platform/compound_layout.h
class CompoundStream;

// A compound file that passed CheckCompoundLayout, for reading: its
// directory tree and its streams, piece by piece. It holds what the check
// holds (the FAT, the MiniFAT and the directory), never a stream's bytes.
class CompoundFile {
public:
    // Checks file as CheckCompoundLayout does, throwing the same Error.
    // What file reads from (an InputFile, bytes in memory) must outlive
    // this and every stream opened from it.
    explicit CompoundFile(RandomAccess file);

    CompoundEntry Root() const { return Entry(0); }
    // The entry id (a storage's child); Error for an id past the directory
    // or an unused entry.
    CompoundEntry Entry(std::uint32_t id) const;
    // The child of storage named name; none when it has no such child.
    std::optional<CompoundEntry> Child(const CompoundEntry& storage,
                                       std::u16string_view name) const;
    // The bytes of stream from its start; Error when it is a storage.
    CompoundStream Open(const CompoundEntry& stream) const;

private:
    std::shared_ptr<const CompoundLayout> layout_;
};

// A stream's bytes, read from its start in pieces of any size: the sectors
// that lie one after the other in the file are read at once.
class CompoundStream {
public:
    std::uint64_t size() const { return size_; }
    // Fills buffer with the stream's next bytes; fewer only at its end.
    std::size_t Read(std::span<std::uint8_t> buffer);

private:
    friend class CompoundFile;
    CompoundStream(std::shared_ptr<const CompoundLayout> layout, std::uint32_t start,
                   std::uint64_t size);

    std::uint64_t Offset(std::uint32_t unit) const;  // in the file
    void Take(std::size_t length);

    std::shared_ptr<const CompoundLayout> layout_;
    bool mini_;               // in the mini stream, by 64-byte mini sectors
    std::uint32_t unitSize_;  // a sector's or a mini sector's bytes
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::uint32_t unit_;        // the sector or mini sector at position_
    std::uint32_t within_ = 0;  // position_'s offset in it
};

}  // namespace boxlift
