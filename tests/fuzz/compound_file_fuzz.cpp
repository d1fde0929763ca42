// A package in memory through the compound-file check and the reader built
// on it: every problem is an Error with a text, the check and the reader
// ask only for bytes inside the file, and neither a count nor a chain in
// the file makes them allocate or loop beyond what the file's size allows
// (libFuzzer's memory and time limits). The reader takes what the check
// takes; it reaches each entry of the tree once and reads each stream to
// its size, in pieces; the package's signature streams and digests come
// out or fail with an Error too.
#include <algorithm>
#include <cassert>
#include <cstdint>
#include <cstring>
#include <vector>

#include "base/error.h"
#include "package/package_signature.h"
#include "platform/compound_file.h"

using namespace boxlift;

namespace {

// Reads stream in pieces of 1 to 5000 bytes; each piece full but the last.
void ReadToEnd(const CompoundFile& file, const CompoundEntry& stream) {
    CompoundStream in = file.Open(stream);
    std::vector<std::uint8_t> piece(5000);
    std::uint64_t total = 0;
    for (std::size_t size = 1;; size = size * 7 % 5000 + 1) {
        const std::size_t count = in.Read(std::span(piece).first(size));
        total += count;
        if (count < size) break;
    }
    assert(total == stream.size);
}

// Every entry below the root once, and every stream read.
void ReadTree(const CompoundFile& file) {
    std::vector<bool> seen;
    std::vector<CompoundEntry> pending = {file.Root()};
    assert(pending.back().type == CompoundEntryType::kRoot);
    while (!pending.empty()) {
        const CompoundEntry entry = std::move(pending.back());
        pending.pop_back();
        if (seen.size() <= entry.id) seen.resize(entry.id + 1);
        assert(!seen[entry.id]);
        seen[entry.id] = true;
        if (!entry.IsStorage()) ReadToEnd(file, entry);
        for (std::uint32_t child : entry.children) pending.push_back(file.Entry(child));
    }
}

void ReadSignature(const RandomAccess& package) {
    try {
        const auto signature = ReadPackageSignature(package);
        PackageDigest(package, EVP_sha256(), signature && signature->signatureEx);
        PackageMetadataDigest(package, EVP_sha1());
    } catch (const Error& e) {
        assert(!e.problem().empty() && e.file().empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto read = [data, size](std::uint64_t offset, std::span<std::uint8_t> buffer) {
        assert(offset < size);  // the check asks only for bytes the file has
        const std::size_t count = std::min<std::size_t>(buffer.size(), size - offset);
        std::memcpy(buffer.data(), data + offset, count);
        return count;
    };
    bool checked = false;
    try {
        CheckCompoundLayout(size, read);
        checked = true;
    } catch (const Error& e) {
        assert(!e.problem().empty() && e.file().empty());
    }
    const RandomAccess package{size, read};
    try {
        const CompoundFile file(package);
        assert(checked);
        ReadTree(file);
    } catch (const Error&) {
        assert(!checked);
    }
    ReadSignature(package);
    return 0;
}
