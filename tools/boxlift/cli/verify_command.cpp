// boxlift verify: whether a setup.exe keeps the payload contract the
// launcher relies on, and holds nothing but signatures in its certificate
// table. Every problem found is listed; exit 0 when none. Warnings are
// about what the launcher accepts but a writer never writes.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "base/byte_reader.h"
#include "base/error.h"
#include "cli/commands.h"
#include "image/certificate_table.h"
#include "image/pe_image.h"
#include "image/setup_file.h"
#include "package/package_info.h"
#include "payload/marker.h"
#include "payload/payload_reader.h"

namespace boxlift {
namespace {

// Behind the end record only an Authenticode certificate table may follow,
// after at most 7 zero bytes that align it to 8.
std::optional<std::string> CheckTail(const SetupFile& setup, std::size_t end) {
    const std::size_t size = setup.bytes.size();
    if (end == size) return std::nullopt;
    const PeDirectory& sig = setup.signature;
    bool signatureLast = sig.size != 0 && sig.address >= end && sig.address - end < 8 &&
                         sig.address <= size && size - sig.address == sig.size;
    bool zeroPadding = std::all_of(setup.bytes.begin() + end,
                                   setup.bytes.begin() + std::min<std::size_t>(sig.address, size),
                                   [](std::uint8_t b) { return b == 0; });
    if (signatureLast && zeroPadding) return std::nullopt;
    return std::to_string(size - end) + " bytes follow the end record at offset " +
           std::to_string(end - 1) + " that are not an Authenticode signature";
}

// Windows checking certificate padding takes a file whose table holds
// more than its signatures as unsigned.
std::optional<std::string> CheckSignature(const SetupFile& setup) {
    if (setup.signature.size == 0) return std::nullopt;
    try {
        ReadCertificateTable(setup.bytes, setup.signature);
        return std::nullopt;
    } catch (const Error& e) {
        return e.Message();
    }
}

}  // namespace

VerifyFindings VerifySetup(const SetupFile& setup) {
    VerifyFindings findings;
    std::vector<std::string>& problems = findings.problems;
    auto note = [&](bool ok, const std::string& problem) {
        if (!ok) problems.push_back(problem);
    };
    const PayloadLayout& layout = setup.layout;
    const std::size_t imageEnd = std::min(setup.image.imageEnd, setup.bytes.size());
    const std::size_t inImage = CountMarkers(ByteView(setup.bytes).first(imageEnd));
    note(inImage == 1, "the launcher image holds the marker " + std::to_string(inImage) +
                           " times, expected once");
    note(layout.markerOffset == imageEnd,
         "the payload's marker is at offset " + std::to_string(layout.markerOffset) +
             ", not where the launcher image ends (" + std::to_string(imageEnd) + ")");
    const std::string& engine = layout.settings.requiredEngineVersion;
    note(engine.size() == 2, "requiredEngineVersion is " + std::to_string(engine.size()) +
                                 " bytes, not the two a writer stores");
    std::uint32_t checksum = ByteReader(setup.bytes, kPeOverrun).U32(setup.image.checksumOffset);
    note(checksum == 0 || checksum == PeChecksum(setup.bytes, setup.image.checksumOffset),
         "the PE checksum in the header does not match the file");
    try {
        StreamSummary stream = MeasureStream(setup.bytes, layout);
        std::uint32_t records = stream.measure.storedRecords + stream.measure.compressedRecords;
        note(stream.measure.chunkCount == records,
             "chunkCount is " + std::to_string(stream.measure.chunkCount) +
                 " but the stream holds " + std::to_string(records) + " records");
        Bytes head;
        ReadOptions options;
        options.refuseFixedHuffman = true;
        options.warn = [&](const std::string& text) { findings.warnings.push_back(text); };
        ReadRecords(setup.bytes, layout, options, [&](ByteView piece) {
            if (head.size() < 8)
                head.insert(head.end(), piece.begin(),
                            piece.begin() + std::min<std::size_t>(8, piece.size()));
        });
        note(IsCompoundFile(head),
             "the package is not a Windows Installer database (first 8 bytes)");
        if (auto tail = CheckTail(setup, stream.endOffset)) problems.push_back(*tail);
    } catch (const Error& e) {
        problems.push_back(e.Message());
    }
    if (auto signature = CheckSignature(setup)) problems.push_back(*signature);
    return findings;
}

int RunVerify(const VerifyRequest& request, std::ostream& out) {
    const SetupFile setup = ReadSetupFile(request.setup);
    const auto [problems, warnings] = VerifySetup(setup);
    for (const std::string& warning : warnings)
        out << "boxlift: " << request.setup.string() << ": warning: " << warning << '\n';
    if (problems.empty()) {
        out << "boxlift: " << request.setup.string() << ": OK"
            << (setup.signature.size ? " (signed)" : "") << '\n';
        return 0;
    }
    std::string message = std::to_string(problems.size()) + " problem(s):";
    for (const std::string& problem : problems) message += "\n  " + problem;
    throw Error(message).InFile(request.setup.string());
}

}  // namespace boxlift
