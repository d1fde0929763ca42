// boxlift verify: whether a setup.exe keeps the payload contract the
// launcher relies on, holds nothing but signatures in its certificate
// table, whether those signatures sign this file and those in the package
// the package. Every problem found is listed; exit 0 when none. Warnings
// are about what the launcher accepts but a writer never writes, and a
// package signed by another signer than the setup.exe.
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
#include "platform/file_io.h"
#include "signature/package_signatures.h"
#include "signature/setup_signatures.h"
#include "signature/signature_text.h"

namespace boxlift {
namespace {

// Behind the end record only an Authenticode certificate table may follow,
// after at most 7 zero bytes that align it to 8.
std::optional<std::string> CheckTail(const SetupFile& setup, std::uint64_t end) {
    const std::uint64_t size = setup.file.size;
    if (end == size) return std::nullopt;
    const PeDirectory& sig = setup.signature;
    bool signatureLast = sig.size != 0 && sig.address >= end && sig.address - end < 8 &&
                         sig.address <= size && size - sig.address == sig.size;
    if (signatureLast) {
        Bytes gap(static_cast<std::size_t>(sig.address - end));
        if (setup.file.readAt(end, gap) == gap.size() &&
            std::ranges::all_of(gap, [](std::uint8_t b) { return b == 0; }))
            return std::nullopt;
    }
    return std::to_string(size - end) + " bytes follow the end record at offset " +
           std::to_string(end - 1) + " that are not an Authenticode signature";
}

// Windows checking certificate padding takes a file whose table holds
// more than its signatures as unsigned.
std::optional<std::string> CheckSignature(const SetupFile& setup) {
    if (setup.signature.size == 0) return std::nullopt;
    try {
        ReadCertificateTable(setup.file, setup.signature);
        return std::nullopt;
    } catch (const Error& e) {
        return e.Message();
    }
}

// The PE checksum of the whole file, read in pieces.
std::uint32_t FileChecksum(const SetupFile& setup) {
    PeChecksummer sum(setup.image.checksumOffset);
    Bytes piece(1 << 20);
    for (std::uint64_t at = 0; at < setup.file.size; at += piece.size()) {
        const std::size_t count = setup.file.readAt(at, piece);
        sum.Add(ByteView(piece).first(count));
        if (count < piece.size()) break;
    }
    return sum.Result();
}

// Each signature's problems, named by its signature's number.
void NoteProblems(const std::vector<SignatureReport>& signatures,
                  std::vector<std::string>& problems) {
    for (const SignatureReport& report : signatures)
        for (const std::string& problem : report.problems)
            problems.push_back(SignatureName(report, report.number) + ": " + problem);
}

// A vendor who signs the package and a publisher who signs the setup.exe
// may be two; said when the first signatures' signers differ.
std::optional<std::string> SignersDiffer(const std::vector<SignatureReport>& setup,
                                         const std::vector<SignatureReport>& package) {
    if (setup.empty() || package.empty() || !setup[0].signer || !package[0].signer)
        return std::nullopt;
    if (setup[0].signer->sha256 == package[0].signer->sha256) return std::nullopt;
    return "the package is signed by " + package[0].signer->subject + ", the setup.exe by " +
           setup[0].signer->subject;
}

// The package's own signatures, checked on its copy.
void CheckPackageSignatures(const ScratchFile& copy, const VerifyOptions& options,
                            VerifyFindings& findings) {
    PackageSignatures checked = VerifyPackageSignatures(copy.Path(), options);
    if (!checked.problem.empty()) findings.problems.push_back(checked.problem);
    NoteProblems(checked.reports, findings.problems);
    findings.packageSignatures = std::move(checked.reports);
    if (auto differ = SignersDiffer(findings.signatures, findings.packageSignatures))
        findings.warnings.push_back(*differ);
}

// The records, each read once as the launcher reads it, and written to a
// copy of the package in the temporary folder, kept in package when it is
// a compound file; the stream's problems noted.
void CheckStream(const SetupFile& setup, VerifyFindings& findings,
                 std::optional<ScratchFile>& package) {
    const PayloadLayout& layout = setup.layout;
    std::vector<std::string>& problems = findings.problems;
    try {
        StreamSummary stream = MeasureStream(setup.file, layout);
        std::uint32_t records = stream.measure.storedRecords + stream.measure.compressedRecords;
        if (stream.measure.chunkCount != records)
            problems.push_back("chunkCount is " + std::to_string(stream.measure.chunkCount) +
                               " but the stream holds " + std::to_string(records) + " records");
        Bytes head;
        ReadOptions options;
        options.refuseFixedHuffman = true;
        options.warn = [&](const std::string& text) { findings.warnings.push_back(text); };
        package.emplace(PackageCopyName(setup), [&](TempFile& copy) {
            ReadRecords(setup.file, layout, options, [&](ByteView piece) {
                if (head.size() < 8)
                    head.insert(head.end(), piece.begin(),
                                piece.begin() + std::min<std::size_t>(8, piece.size()));
                copy.Write(piece);
            });
        });
        if (!IsCompoundFile(head)) {
            package.reset();
            problems.push_back("the package is not a Windows Installer database (first 8 bytes)");
        }
        if (auto tail = CheckTail(setup, stream.endOffset)) problems.push_back(*tail);
    } catch (const Error& e) {
        problems.push_back(e.Message());
    }
}

// One block a signature, each line a fact, labels in a column.
void PrintSignatures(const std::string& file, const std::vector<SignatureReport>& signatures,
                     std::ostream& out) {
    constexpr std::size_t kLabelWidth = 12;
    for (const SignatureReport& report : signatures) {
        out << "boxlift: " << file << ": " << SignatureHeading(report) << '\n';
        for (const ReportLine& line : SignatureLines(report))
            out << "  " << line.label << std::string(kLabelWidth - line.label.size(), ' ')
                << line.text << '\n';
    }
}

}  // namespace

VerifyFindings VerifySetup(const SetupFile& setup, const VerifyOptions& signatureOptions) {
    VerifyFindings findings;
    std::vector<std::string>& problems = findings.problems;
    auto note = [&](bool ok, const std::string& problem) {
        if (!ok) problems.push_back(problem);
    };
    const PayloadLayout& layout = setup.layout;
    const std::size_t imageEnd = setup.image.imageEnd;  // inside the head
    const std::size_t inImage = CountMarkers(ByteView(setup.head).first(imageEnd));
    note(inImage == 1, "the launcher image holds the marker " + std::to_string(inImage) +
                           " times, expected once");
    note(layout.markerOffset == imageEnd,
         "the payload's marker is at offset " + std::to_string(layout.markerOffset) +
             ", not where the launcher image ends (" + std::to_string(imageEnd) + ")");
    const std::string& engine = layout.settings.requiredEngineVersion;
    note(engine.size() == 2, "requiredEngineVersion is " + std::to_string(engine.size()) +
                                 " bytes, not the two a writer stores");
    std::uint32_t checksum = ByteReader(setup.head, kPeOverrun).U32(setup.image.checksumOffset);
    note(checksum == 0 || checksum == FileChecksum(setup),
         "the PE checksum in the header does not match the file");
    std::optional<ScratchFile> package;
    CheckStream(setup, findings, package);
    if (auto table = CheckSignature(setup)) {
        problems.push_back(*table);
    } else {
        findings.signatures = VerifySetupSignatures(setup, signatureOptions);
        NoteProblems(findings.signatures, problems);
    }
    if (package) CheckPackageSignatures(*package, signatureOptions, findings);
    return findings;
}

int RunVerify(const VerifyRequest& request, std::ostream& out) {
    const SetupFile setup = ReadSetupFile(request.setup);
    const auto [problems, warnings, signatures, packageSignatures] =
        VerifySetup(setup, {request.caFile});
    PrintSignatures(request.setup.string(), signatures, out);
    PrintSignatures(request.setup.string(), packageSignatures, out);
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
