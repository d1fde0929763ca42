#include "image/certificate_table.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/byte_reader.h"
#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::size_t kHeaderSize = 8;    // dwLength, wRevision, wCertificateType
constexpr std::size_t kMaxDerHeader = 6;  // a SEQUENCE's tag and a length of up to 4 bytes

std::uint64_t AlignUp8(std::uint64_t n) { return (n + 7) & ~std::uint64_t{7}; }

// "certificate table entry at offset N: PROBLEM"; offset is the entry's.
Error EntryError(std::uint64_t offset, std::string problem) {
    Error error(std::move(problem));
    error.About("certificate table entry").AtOffset(offset);
    return error;
}

// The length, header included, of the DER SEQUENCE that der starts with
// (its first bytes, up to 6); the whole encoding must fit in room bytes.
std::size_t DerSequenceLength(ByteView der, std::size_t room) {
    if (der.size() < 2 || der[0] != 0x30) throw Error("the signature is not a DER SEQUENCE");
    std::size_t header = 2, content = der[1];
    if (content >= 0x80) {
        const std::size_t count = content & 0x7f;
        if (count == 0 || count > 4)
            throw Error("the signature's DER length is indefinite or longer than 4 bytes");
        if (der.size() < 2 + count) throw Error("the signature's DER length runs past dwLength");
        header += count;
        content = 0;
        for (std::size_t i = 0; i < count; ++i) content = content << 8 | der[2 + i];
    }
    if (content > room - header)
        throw Error("the signature's DER encoding (" + std::to_string(header + content) +
                    " bytes) runs past dwLength");
    return header + content;
}

// Up to count bytes of the file from offset.
Bytes Piece(const RandomAccess& file, std::uint64_t offset, std::size_t count) {
    Bytes bytes(count);
    bytes.resize(file.readAt(offset, bytes));
    return bytes;
}

// The entry at offset; the table ends at end.
CertificateEntry ReadEntry(const RandomAccess& file, std::uint64_t offset, std::uint64_t end) {
    if (end - offset < kHeaderSize)
        throw EntryError(offset, "the table ends inside the 8-byte WIN_CERTIFICATE header");
    const Bytes header = Piece(file, offset, kHeaderSize + kMaxDerHeader);
    const ByteReader reader(header);
    CertificateEntry entry{.offset = offset, .length = reader.U32(0)};
    const std::uint16_t revision = reader.U16(4), type = reader.U16(6);
    if (revision != kCertificateRevision || type != kPkcsSignedData)
        throw EntryError(offset, "wRevision " + std::to_string(revision) + " and type " +
                                     std::to_string(type) + ", not 512 and 2 (a PKCS#7 signature)");
    if (entry.length < kHeaderSize || entry.length > end - offset)
        throw EntryError(offset, "dwLength " + std::to_string(entry.length) +
                                     " is below 8 or runs past the table's end at offset " +
                                     std::to_string(end));
    const std::size_t room = entry.length - kHeaderSize;
    try {
        entry.signatureLength =
            DerSequenceLength(ByteView(header)
                                  .subspan(kHeaderSize)
                                  .first(std::min(room, header.size() - kHeaderSize)),
                              room);
    } catch (const Error& e) {
        throw EntryError(offset, e.problem());
    }
    return entry;
}

// dwLength counts the signature, and its zero padding at most.
void CheckFill(const RandomAccess& file, const CertificateEntry& entry) {
    const std::size_t exact = kHeaderSize + entry.signatureLength;
    const std::uint64_t signatureEnd = entry.offset + exact;
    if (entry.length != exact && entry.length != AlignUp8(exact))
        throw EntryError(entry.offset, "dwLength " + std::to_string(entry.length) + " holds " +
                                           std::to_string(entry.length - exact) +
                                           " bytes past the signature, which ends at offset " +
                                           std::to_string(signatureEnd) +
                                           " (at most its padding to 8)");
    const Bytes padding =
        Piece(file, signatureEnd, static_cast<std::size_t>(AlignUp8(signatureEnd) - signatureEnd));
    if (!std::ranges::all_of(padding, [](std::uint8_t b) { return b == 0; }))
        throw EntryError(entry.offset, "the padding after the signature, at offset " +
                                           std::to_string(signatureEnd) + ", is not zero");
}

}  // namespace

std::vector<CertificateEntry> ReadCertificateTable(const RandomAccess& file, PeDirectory table) {
    auto tableError = [&](std::string problem) {
        Error error(std::move(problem));
        error.About("certificate table").AtOffset(table.address);
        return error;
    };
    if (table.address > file.size || table.size > file.size - table.address)
        throw tableError(std::to_string(table.size) + " bytes run past the end of the file");
    if (table.address % 8 != 0 || table.size % 8 != 0)
        throw tableError("its offset or its size (" + std::to_string(table.size) +
                         ") is not a multiple of 8");
    const std::uint64_t end = std::uint64_t{table.address} + table.size;
    std::vector<CertificateEntry> entries;
    for (std::uint64_t at = table.address; at < end; at = AlignUp8(at + entries.back().length)) {
        entries.push_back(ReadEntry(file, at, end));
        CheckFill(file, entries.back());
    }
    return entries;
}

}  // namespace boxlift
