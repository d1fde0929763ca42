#include "signature/pe_digest.h"

#include <algorithm>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"
#include "signature/openssl_handles.h"

namespace boxlift {
namespace {

constexpr std::size_t kPieceSize = 1 << 20;
constexpr std::size_t kSizeOfHeaders = 60;  // in the optional header

class DigestStream {
public:
    DigestStream(const RandomAccess& file, const EVP_MD* digest)
        : file_(file), context_(EVP_MD_CTX_new()) {
        if (!context_ || EVP_DigestInit_ex(context_.get(), digest, nullptr) != 1)
            throw Error("OpenSSL could not start a digest: " + OpenSslReason());
    }

    // The bytes from offset `from` up to `to`.
    void Add(std::uint64_t from, std::uint64_t to) {
        if (to < from || to > file_.size)
            throw Error("the part of the file from offset " + std::to_string(from) + " to " +
                        std::to_string(to) + " that the signature covers lies outside it");
        for (std::uint64_t at = from; at < to; at += piece_.size()) {
            const std::size_t count =
                static_cast<std::size_t>(std::min<std::uint64_t>(piece_.size(), to - at));
            const std::span<std::uint8_t> part(piece_.data(), count);
            if (file_.readAt(at, part) != count)
                throw Error("the file ends early, reading offset " + std::to_string(at));
            EVP_DigestUpdate(context_.get(), part.data(), part.size());
        }
    }

    Bytes Result() {
        Bytes result(EVP_MAX_MD_SIZE);
        unsigned int length = 0;
        EVP_DigestFinal_ex(context_.get(), result.data(), &length);
        result.resize(length);
        return result;
    }

private:
    const RandomAccess& file_;
    DigestContextPtr context_;
    Bytes piece_ = Bytes(kPieceSize);
};

}  // namespace

Bytes PeImageDigest(const RandomAccess& file, ByteView head, const PeImage& image,
                    const EVP_MD* digest) {
    const std::uint64_t headers =
        ByteReader(head, kPeOverrun).U32(image.optionalHeader + kSizeOfHeaders);
    const std::uint64_t checksum = image.checksumOffset;
    const std::uint64_t entry = image.directoryOffset + 8 * kSecurityDirectory;
    if (entry + 8 > headers)
        throw Error("the certificate table's directory entry lies past the headers");
    DigestStream stream(file, digest);
    stream.Add(0, checksum);
    stream.Add(checksum + 4, entry);
    stream.Add(entry + 8, headers);
    std::vector<PeSection> sections;
    std::ranges::copy_if(image.sections, std::back_inserter(sections),
                         [](const PeSection& s) { return s.rawSize != 0; });
    std::ranges::sort(sections, {}, &PeSection::rawOffset);
    for (const PeSection& s : sections)
        stream.Add(s.rawOffset, std::uint64_t{s.rawOffset} + s.rawSize);
    const PeDirectory table = image.directories[kSecurityDirectory];
    stream.Add(image.imageEnd, table.size != 0 ? table.address : file.size);
    return stream.Result();
}

}  // namespace boxlift
