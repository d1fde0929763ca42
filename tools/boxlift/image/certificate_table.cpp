#include "image/certificate_table.h"

#include <algorithm>
#include <string>
#include <utility>

#include "base/byte_reader.h"
#include "base/error.h"

namespace boxlift {
namespace {

constexpr std::size_t kHeaderSize = 8;  // dwLength, wRevision, wCertificateType

std::size_t AlignUp8(std::size_t n) { return (n + 7) & ~std::size_t{7}; }

// "certificate table entry at offset N: PROBLEM"; offset is the entry's.
Error EntryError(std::size_t offset, std::string problem) {
    Error error(std::move(problem));
    error.About("certificate table entry").AtOffset(offset);
    return error;
}

// The length, header included, of the DER SEQUENCE that der starts with,
// which must lie inside der.
std::size_t DerSequenceLength(ByteView der) {
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
    if (content > der.size() - header)
        throw Error("the signature's DER encoding (" + std::to_string(header + content) +
                    " bytes) runs past dwLength");
    return header + content;
}

// The entry at offset in table (the file up to the table's end).
CertificateEntry ReadEntry(ByteView table, std::size_t offset) {
    if (table.size() - offset < kHeaderSize)
        throw EntryError(offset, "the table ends inside the 8-byte WIN_CERTIFICATE header");
    const ByteReader reader(table);
    CertificateEntry entry{.offset = offset, .length = reader.U32(offset)};
    const std::uint16_t revision = reader.U16(offset + 4), type = reader.U16(offset + 6);
    if (revision != kCertificateRevision || type != kPkcsSignedData)
        throw EntryError(offset, "wRevision " + std::to_string(revision) + " and type " +
                                     std::to_string(type) + ", not 512 and 2 (a PKCS#7 signature)");
    if (entry.length < kHeaderSize || entry.length > table.size() - offset)
        throw EntryError(offset, "dwLength " + std::to_string(entry.length) +
                                     " is below 8 or runs past the table's end at offset " +
                                     std::to_string(table.size()));
    try {
        entry.signatureLength =
            DerSequenceLength(table.subspan(offset + kHeaderSize, entry.length - kHeaderSize));
    } catch (const Error& e) {
        throw EntryError(offset, e.problem());
    }
    return entry;
}

// dwLength counts the signature, and its zero padding at most.
void CheckFill(ByteView table, const CertificateEntry& entry) {
    const std::size_t exact = kHeaderSize + entry.signatureLength;
    const std::size_t signatureEnd = entry.offset + exact;
    if (entry.length != exact && entry.length != AlignUp8(exact))
        throw EntryError(entry.offset, "dwLength " + std::to_string(entry.length) + " holds " +
                                           std::to_string(entry.length - exact) +
                                           " bytes past the signature, which ends at offset " +
                                           std::to_string(signatureEnd) +
                                           " (at most its padding to 8)");
    const auto padding = table.subspan(signatureEnd, AlignUp8(signatureEnd) - signatureEnd);
    if (!std::ranges::all_of(padding, [](std::uint8_t b) { return b == 0; }))
        throw EntryError(entry.offset, "the padding after the signature, at offset " +
                                           std::to_string(signatureEnd) + ", is not zero");
}

}  // namespace

std::vector<CertificateEntry> ReadCertificateTable(ByteView file, PeDirectory table) {
    auto tableError = [&](std::string problem) {
        Error error(std::move(problem));
        error.About("certificate table").AtOffset(table.address);
        return error;
    };
    if (table.address > file.size() || table.size > file.size() - table.address)
        throw tableError(std::to_string(table.size) + " bytes run past the end of the file");
    if (table.address % 8 != 0 || table.size % 8 != 0)
        throw tableError("its offset or its size (" + std::to_string(table.size) +
                         ") is not a multiple of 8");
    const ByteView bytes = file.first(table.address + table.size);
    std::vector<CertificateEntry> entries;
    for (std::size_t at = table.address; at < bytes.size();
         at = AlignUp8(at + entries.back().length)) {
        entries.push_back(ReadEntry(bytes, at));
        CheckFill(bytes, entries.back());
    }
    return entries;
}

}  // namespace boxlift
