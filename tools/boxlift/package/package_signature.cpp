// The package's signature streams and its digests, read through the
// compound-file reader. The tree is walked without recursion, a storage
// at a time, so that no nesting of storages can exhaust the stack.
#include "package/package_signature.h"

#include <openssl/pkcs7.h>

#include <algorithm>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_writer.h"
#include "base/error.h"
#include "platform/compound_file.h"

namespace boxlift {
namespace {

constexpr std::u16string_view kSignatureName = u"\005DigitalSignature";
constexpr std::u16string_view kSignatureExName = u"\005MsiDigitalSignatureEx";
constexpr std::uint64_t kMaxSignatureBytes = 16 << 20;
constexpr std::size_t kPieceBytes = 64 << 10;

std::string N(std::uint64_t value) { return std::to_string(value); }

CompoundFile OpenPackage(const RandomAccess& package) {
    try {
        return CompoundFile(package);
    } catch (const Error& e) {
        if (!e.file().empty()) throw;  // the system's reason for a failed read
        throw Error("not a Windows Installer package: " + e.problem());
    }
}

class Hasher {
public:
    explicit Hasher(const EVP_MD* md) : context_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
        if (md == nullptr) throw Error("no digest algorithm to digest the package with");
        name_ = EVP_MD_get0_name(md);
        if (!context_ || EVP_DigestInit_ex(context_.get(), md, nullptr) != 1) Fail();
    }

    void Update(ByteView bytes) {
        if (EVP_DigestUpdate(context_.get(), bytes.data(), bytes.size()) != 1) Fail();
    }

    Bytes Final() {
        Bytes digest(EVP_MAX_MD_SIZE);
        unsigned int size = 0;
        if (EVP_DigestFinal_ex(context_.get(), digest.data(), &size) != 1) Fail();
        digest.resize(size);
        return digest;
    }

private:
    [[noreturn]] void Fail() const {
        throw Error("the " + name_ + " digest of the package failed");
    }

    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context_;
    std::string name_;
};

// Whether a's name comes before b's: their UTF-16LE bytes compared as
// unsigned bytes, a name before the longer ones it begins.
bool SignedOrder(const CompoundEntry& a, const CompoundEntry& b) {
    // A unit's two bytes, low first, as one number.
    const auto bytes = [](char16_t unit) { return (unit & 0xFF) << 8 | unit >> 8; };
    return std::lexicographical_compare(
        a.name.begin(), a.name.end(), b.name.begin(), b.name.end(),
        [&](char16_t x, char16_t y) { return bytes(x) < bytes(y); });
}

bool IsSignatureStream(const CompoundEntry& entry) {
    return !entry.IsStorage() && (entry.name == kSignatureName || entry.name == kSignatureExName);
}

std::vector<CompoundEntry> SortedChildren(const CompoundFile& file, const CompoundEntry& storage) {
    std::vector<CompoundEntry> children;
    for (std::uint32_t id : storage.children) {
        CompoundEntry child = file.Entry(id);
        if (storage.id != 0 || !IsSignatureStream(child)) children.push_back(std::move(child));
    }
    std::stable_sort(children.begin(), children.end(), SignedOrder);  // twins: tree order
    return children;
}

// Walks the tree in the order the signature digests it: visitor.Enter(storage)
// before a storage's children (the root's first), visitor.Stream(stream) for
// each stream, visitor.Leave(storage) after them.
template <typename Visitor>
void WalkSigned(const CompoundFile& file, Visitor& visitor) {
    struct Level {
        CompoundEntry storage;
        std::vector<CompoundEntry> children;
        std::size_t next = 0;
    };
    std::vector<Level> levels;
    const auto enter = [&](CompoundEntry storage) {
        visitor.Enter(storage);
        std::vector<CompoundEntry> children = SortedChildren(file, storage);
        levels.push_back({std::move(storage), std::move(children)});
    };
    enter(file.Root());
    while (!levels.empty()) {
        Level& level = levels.back();
        if (level.next == level.children.size()) {
            visitor.Leave(level.storage);
            levels.pop_back();
        } else if (CompoundEntry child = std::move(level.children[level.next++]);
                   child.IsStorage()) {
            enter(std::move(child));
        } else {
            visitor.Stream(child);
        }
    }
}

// The metadata digest's bytes of each entry.
class MetadataDigest {
public:
    explicit MetadataDigest(Hasher& hasher) : hasher_(hasher) {}

    void Enter(const CompoundEntry& storage) {
        Bytes bytes;
        ByteWriter out(bytes);
        if (storage.type != CompoundEntryType::kRoot) Name(out, storage);
        out.Append(storage.clsid).U32(storage.stateBits);
        if (storage.type != CompoundEntryType::kRoot) Times(out, storage);
        hasher_.Update(bytes);
    }
    void Stream(const CompoundEntry& stream) {
        Bytes bytes;
        ByteWriter out(bytes);
        Name(out, stream);
        out.U32(static_cast<std::uint32_t>(stream.size)).U32(stream.stateBits);
        Times(out, stream);
        hasher_.Update(bytes);
    }
    void Leave(const CompoundEntry&) {}

private:
    static void Name(ByteWriter& out, const CompoundEntry& entry) {
        for (char16_t unit : entry.name) out.U16(unit);
    }
    static void Times(ByteWriter& out, const CompoundEntry& entry) {
        for (std::uint64_t time : {entry.created, entry.modified})
            out.U32(static_cast<std::uint32_t>(time)).U32(static_cast<std::uint32_t>(time >> 32));
    }

    Hasher& hasher_;
};

// The content digest's bytes: each stream's, each storage's CLSID.
class ContentDigest {
public:
    ContentDigest(const CompoundFile& file, Hasher& hasher)
        : file_(file), hasher_(hasher), piece_(kPieceBytes) {}

    void Enter(const CompoundEntry&) {}
    void Stream(const CompoundEntry& stream) {
        CompoundStream in = file_.Open(stream);
        while (const std::size_t count = in.Read(piece_))
            hasher_.Update(ByteView(piece_).first(count));
    }
    void Leave(const CompoundEntry& storage) { hasher_.Update(storage.clsid); }

private:
    const CompoundFile& file_;
    Hasher& hasher_;
    Bytes piece_;
};

Bytes DigestMetadata(const CompoundFile& file, const EVP_MD* md) {
    Hasher hasher(md);
    MetadataDigest digest(hasher);
    WalkSigned(file, digest);
    return hasher.Final();
}

// The bytes of the root's stream named name, at most limit of them; none
// when there is no such entry.
std::optional<Bytes> ReadRootStream(const CompoundFile& file, std::u16string_view name,
                                    const std::string& what, std::uint64_t limit) {
    const std::optional<CompoundEntry> entry = file.Child(file.Root(), name);
    if (!entry) return std::nullopt;
    if (entry->IsStorage()) throw Error("the " + what + " entry is a storage, not a stream");
    if (entry->size == 0) throw Error("the " + what + " stream is empty");
    if (entry->size > limit)
        throw Error("the " + what + " stream is " + N(entry->size) + " bytes, more than the " +
                    N(limit) + " it may hold");
    Bytes bytes(static_cast<std::size_t>(entry->size));
    file.Open(*entry).Read(bytes);
    return bytes;
}

// The DigitalSignature stream's bytes, one whole PKCS#7 SignedData.
void CheckSignedData(ByteView der) {
    const unsigned char* at = der.data();
    std::unique_ptr<PKCS7, decltype(&PKCS7_free)> pkcs7(
        d2i_PKCS7(nullptr, &at, static_cast<long>(der.size())), PKCS7_free);
    if (!pkcs7) throw Error("the DigitalSignature stream holds no PKCS#7 structure (damaged DER)");
    if (!PKCS7_type_is_signed(pkcs7.get()))
        throw Error("the DigitalSignature stream holds a PKCS#7 structure that is no SignedData");
    if (const auto rest = der.size() - static_cast<std::size_t>(at - der.data()))
        throw Error("the DigitalSignature stream has " + N(rest) +
                    " bytes after its PKCS#7 SignedData");
}

std::optional<Bytes> ReadSignatureEx(const CompoundFile& file) {
    return ReadRootStream(file, kSignatureExName, "MsiDigitalSignatureEx", EVP_MAX_MD_SIZE);
}

// The metadata digest, once the MsiDigitalSignatureEx stream is found to hold it.
Bytes CheckedMetadataDigest(const CompoundFile& file, const EVP_MD* md) {
    const std::optional<Bytes> stored = ReadSignatureEx(file);
    if (!stored) throw Error("the package has no MsiDigitalSignatureEx stream");
    Bytes digest = DigestMetadata(file, md);
    if (*stored != digest)
        throw Error("the MsiDigitalSignatureEx stream does not hold the " +
                    std::string(EVP_MD_get0_name(md)) +
                    " digest of the package's metadata: a name, size, time or CLSID of its "
                    "storages and streams differs from the signed one");
    return digest;
}

}  // namespace

std::optional<PackageSignature> ReadPackageSignature(const RandomAccess& package) {
    const CompoundFile file = OpenPackage(package);
    std::optional<Bytes> pkcs7 =
        ReadRootStream(file, kSignatureName, "DigitalSignature", kMaxSignatureBytes);
    std::optional<Bytes> signatureEx = ReadSignatureEx(file);
    if (!pkcs7 && signatureEx)
        throw Error("the package has an MsiDigitalSignatureEx stream but no DigitalSignature");
    if (!pkcs7) return std::nullopt;
    CheckSignedData(*pkcs7);
    return PackageSignature{std::move(*pkcs7), std::move(signatureEx)};
}

Bytes PackageMetadataDigest(const RandomAccess& package, const EVP_MD* md) {
    return DigestMetadata(OpenPackage(package), md);
}

Bytes PackageDigest(const RandomAccess& package, const EVP_MD* md, bool withSignatureEx) {
    const CompoundFile file = OpenPackage(package);
    Hasher hasher(md);
    if (withSignatureEx) hasher.Update(CheckedMetadataDigest(file, md));
    ContentDigest digest(file, hasher);
    WalkSigned(file, digest);
    return hasher.Final();
}

}  // namespace boxlift
