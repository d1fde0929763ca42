// boxlift inspect: what a setup.exe holds, as text or as one JSON object.
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

#include "base/error.h"
#include "cli/commands.h"
#include "image/certificate_table.h"
#include "image/setup_file.h"
#include "payload/payload_reader.h"
#include "payload/settings.h"
#include "platform/codepage.h"
#include "platform/file_io.h"
#include "signature/package_signatures.h"
#include "signature/setup_signatures.h"
#include "signature/signature_text.h"

namespace boxlift {
namespace {

using nlohmann::ordered_json;

// requiredEngineVersion's two bytes, major + 1 and minor + 1, as "MAJOR.MINOR".
std::string EngineVersionText(const std::string& bytes) {
    if (bytes.size() < 2) return "(malformed: " + std::to_string(bytes.size()) + " bytes)";
    return std::to_string(static_cast<unsigned char>(bytes[0]) - 1) + "." +
           std::to_string(static_cast<unsigned char>(bytes[1]) - 1);
}

// The Windows ANSI code pages a setup's texts are checked against.
constexpr unsigned kAnsiCodepages[] = {874,  932,  936,  949,  950,  1250, 1251,
                                       1252, 1253, 1254, 1255, 1256, 1257, 1258};

// The texts the block holds, requiredEngineVersion's bytes aside.
std::vector<std::string> BlockTexts(const Settings& settings) {
    std::vector<std::string> texts;
    for (const BlockField& field : BlockFields(settings)) {
        const auto* text = std::get_if<TextMember>(&field.member);
        if (field.present && text && std::string_view(field.name) != "requiredEngineVersion")
            texts.push_back(settings.**text);
    }
    return texts;
}

bool AllValidIn(const std::vector<std::string>& texts, unsigned codepage) {
    return std::ranges::all_of(
        texts, [codepage](const std::string& text) { return IsValidInCodepage(text, codepage); });
}

// The code page the texts are shown in: the one asked for; else the
// default, as long as every text is valid in it; else none, and the texts
// are shown escaped.
std::optional<unsigned> ShownCodepage(const std::vector<std::string>& texts,
                                      std::optional<unsigned> asked) {
    if (asked) return asked;
    if (AllValidIn(texts, kDefaultCodepage)) return kDefaultCodepage;
    return std::nullopt;
}

// The text with each byte above 127 as \xNN, and the backslash as \x5C so
// that every backslash starts an escape: the same in any code page.
std::string Escaped(std::string_view text) {
    std::string escaped;
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80 && c != '\\') {
            escaped += c;
            continue;
        }
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", byte);
        escaped += hex;
    }
    return escaped;
}

ordered_json CodepageJson(const std::vector<std::string>& texts, std::optional<unsigned> shown) {
    ordered_json validIn = ordered_json::array();
    for (unsigned codepage : kAnsiCodepages)
        if (AllValidIn(texts, codepage)) validIn.push_back(codepage);
    return {{"shown", shown ? ordered_json(*shown) : ordered_json(nullptr)}, {"validIn", validIn}};
}

// Every field the block holds, in file order; absent ones are null. Texts
// are decoded from the code page shown, or escaped without one.
ordered_json SettingsJson(const PayloadLayout& layout, std::optional<unsigned> shown) {
    ordered_json settings = ordered_json::object();
    for (const BlockField& field : BlockFields(layout.settings)) {
        const char* name = field.name;
        if (!field.present) {
            settings[name] = nullptr;
        } else if (auto* flag = std::get_if<FlagMember>(&field.member)) {
            settings[name] = layout.settings.**flag;
        } else if (std::string_view(name) == "requiredEngineVersion") {
            settings[name] = EngineVersionText(layout.settings.requiredEngineVersion);
        } else {
            const std::string& text = layout.settings.*std::get<TextMember>(field.member);
            settings[name] = shown ? FromCodepage(text, *shown) : Escaped(text);
        }
    }
    return settings;
}

ordered_json VersionJson(const std::optional<VersionInfo>& version) {
    if (!version) return nullptr;
    ordered_json strings = ordered_json::object();
    for (const auto& [key, value] : version->strings) strings[key] = value;
    char translation[16];
    std::snprintf(translation, sizeof translation, "0x%04X 0x%04X", version->language,
                  version->codepage);
    return {{"fileVersion", FormatVersion(version->fileVersion)},
            {"productVersion", FormatVersion(version->productVersion)},
            {"stringTable", version->stringTable},
            {"translation", translation},
            {"strings", strings}};
}

ordered_json ProductJson(const ProductReport& product) {
    if (!product.identity) return {{"error", product.problem}};
    const PackageIdentity& id = *product.identity;
    auto text = [](const std::string& value) -> ordered_json {
        return value.empty() ? ordered_json() : ordered_json(value);
    };
    return {{"productName", text(id.productName)},
            {"productVersion", text(id.productVersion)},
            {"manufacturer", text(id.manufacturer)},
            {"productCode", text(id.productCode)},
            {"upgradeCode", text(id.upgradeCode)},
            {"productLanguage", text(id.productLanguage)},
            {"packageCode", text(id.packageCode)},
            {"platform", id.platform},
            {"scope", id.scope},
            {"elevationRequired", id.elevationRequired}};
}

ordered_json CertificateJson(const std::optional<CertificateFacts>& certificate) {
    if (!certificate) return nullptr;
    return {{"subject", certificate->subject},   {"issuer", certificate->issuer},
            {"serial", certificate->serial},     {"notBefore", certificate->notBefore},
            {"notAfter", certificate->notAfter}, {"sha256", certificate->sha256}};
}

ordered_json TimestampJson(const std::optional<TimestampReport>& timestamp) {
    if (!timestamp) return nullptr;
    return {{"kind", timestamp->kind},
            {"time", timestamp->time.empty() ? ordered_json() : ordered_json(timestamp->time)},
            {"authority", CertificateJson(timestamp->authority)},
            {"verified", timestamp->verified},
            {"chain", timestamp->chain}};
}

ordered_json SignatureJson(const SignatureReport& report) {
    auto text = [](const std::string& value) {
        return value.empty() ? ordered_json() : ordered_json(value);
    };
    return {{"number", report.number},
            {"nestedIn", report.nestedIn ? ordered_json(report.nestedIn) : ordered_json()},
            {"digest",
             {{"algorithm", text(report.digestAlgorithm)},
              {"signed", text(report.signedDigest)},
              {"file", text(report.contentDigest)},
              {"matches", report.DigestMatches()}}},
            {"pageHashes", report.pageHashes.empty()
                               ? ordered_json()
                               : ordered_json(report.pageHashes + ", not checked")},
            {"signer", CertificateJson(report.signer)},
            {"timestamp", TimestampJson(report.timestamp)},
            {"chain", text(report.chain)},
            {"problems", report.problems}};
}

ordered_json SignaturesJson(const std::vector<SignatureReport>& signatures) {
    ordered_json all = ordered_json::array();
    for (const SignatureReport& report : signatures) all.push_back(SignatureJson(report));
    return all;
}

// The package's DigitalSignature stream and the signatures in it; its
// problem instead when the streams cannot be read; null when unsigned.
ordered_json PackageSignatureJson(const PackageSignatures& package) {
    if (!package.problem.empty()) return {{"error", package.problem}};
    if (package.reports.empty()) return nullptr;
    return {{"size", package.size},
            {"metadataDigest", package.metadataDigest},
            {"signatures", SignaturesJson(package.reports)}};
}

// The certificate table's place and the signatures in it; its problem
// instead of them when it does not hold exactly its entries.
ordered_json SignatureTableJson(const SetupFile& setup,
                                const std::vector<SignatureReport>& signatures,
                                const std::string& tableProblem) {
    if (setup.signature.size == 0) return nullptr;
    ordered_json table = {{"offset", setup.signature.address}, {"size", setup.signature.size}};
    if (!tableProblem.empty()) {
        table["error"] = tableProblem;
        return table;
    }
    table["signatures"] = SignaturesJson(signatures);
    return table;
}

ordered_json Report(const SetupFile& setup, const StreamSummary& stream,
                    std::optional<unsigned> codepage, const ordered_json& signature) {
    const StreamMeasure& m = stream.measure;
    const std::uint64_t streamBytes = stream.endOffset - setup.layout.streamOffset;
    const std::vector<std::string> texts = BlockTexts(setup.layout.settings);
    const std::optional<unsigned> shown = ShownCodepage(texts, codepage);
    return {{"file", setup.path.string()},
            {"size", setup.file.size},
            {"payload",
             {{"markerOffset", setup.layout.markerOffset},
              {"settingsOffset", setup.layout.blockOffset},
              {"settingsLength", setup.layout.blockLength},
              {"streamOffset", setup.layout.streamOffset},
              {"streamEnd", stream.endOffset}}},
            {"codepage", CodepageJson(texts, shown)},
            {"settings", SettingsJson(setup.layout, shown)},
            {"records",
             {{"chunkCount", m.chunkCount},
              {"count", m.storedRecords + m.compressedRecords},
              {"stored", m.storedRecords},
              {"compressed", m.compressedRecords}}},
            {"package",
             {{"size", m.packageSize},
              {"streamBytes", streamBytes},
              {"ratio", m.packageSize ? static_cast<double>(streamBytes) / m.packageSize : 1.0}}},
            {"version", VersionJson(setup.version)},
            {"signature", signature}};
}

// "shown in 1251, valid in 1251, 1252", or how escaped texts show.
std::string CodepageText(const ordered_json& codepage) {
    std::string text = codepage["shown"].is_null() ? "texts shown with bytes above 127 as \\xNN"
                                                   : "texts shown in " + codepage["shown"].dump();
    const auto& validIn = codepage["validIn"];
    if (validIn.empty()) return text + ", valid in none of the Windows ANSI code pages";
    for (std::size_t i = 0; i < validIn.size(); ++i)
        text += (i == 0 ? ", valid in " : ", ") + validIn[i].dump();
    return text;
}

// A value as JSON writes it; in escaped texts, whose every backslash starts
// an escape, \xNN as it is rather than with the backslash doubled.
std::string TextValue(const ordered_json& value, bool escaped) {
    std::string text = value.dump();
    if (!escaped || !value.is_string()) return text;
    std::string undoubled;
    for (std::size_t i = 0; i < text.size(); ++i) {
        undoubled += text[i];
        if (text.compare(i, 3, "\\\\x") == 0) ++i;  // skip the second backslash
    }
    return undoubled;
}

// The signatures' facts, "N LABEL TEXT" after the label signature (or
// package signature).
void PrintSignatures(const std::vector<SignatureReport>& signatures, std::ostream& out) {
    constexpr std::size_t kLabelWidth = 12;
    auto line = [&](const SignatureReport& report, const std::string& label,
                    const std::string& text) {
        out << SignatureKind(report) << "  " << report.number << ' ' << label
            << std::string(kLabelWidth - label.size(), ' ') << text << '\n';
    };
    for (const SignatureReport& report : signatures) {
        if (report.nestedIn != 0) line(report, "nested in", SignatureName(report, report.nestedIn));
        for (const ReportLine& fact : SignatureLines(report)) line(report, fact.label, fact.text);
        for (const std::string& problem : report.problems) line(report, "problem", problem);
    }
}

// "package signature  Authenticode, 1234 bytes in the DigitalSignature
// stream", its problem, or none.
std::string PackageSignatureText(const ordered_json& package) {
    if (package.is_null()) return "none";
    if (package.contains("error")) return package["error"].get<std::string>();
    return "Authenticode, " + package["size"].dump() + " bytes in the DigitalSignature stream" +
           (package["metadataDigest"].get<bool>()
                ? ", with the metadata digest (MsiDigitalSignatureEx)"
                : "");
}

void PrintText(const ordered_json& r, const std::vector<SignatureReport>& signatures,
               const ProductReport* product, std::ostream& out) {
    // Labels in a column of 11; a longer one is followed by two spaces.
    auto line = [&](std::string_view label, const std::string& text) {
        out << label << std::string(std::max<std::size_t>(11, label.size() + 2) - label.size(), ' ')
            << text << '\n';
    };
    const auto& p = r["payload"];
    line("file", r["file"].get<std::string>() + " (" + r["size"].dump() + " bytes)");
    line("payload", "marker at " + p["markerOffset"].dump() + ", settings at " +
                        p["settingsOffset"].dump() + " (" + p["settingsLength"].dump() +
                        " bytes), chunk stream at " + p["streamOffset"].dump() + " to " +
                        p["streamEnd"].dump());
    line("codepage", CodepageText(r["codepage"]));
    const bool escaped = r["codepage"]["shown"].is_null();
    for (const auto& [key, value] : r["settings"].items())
        line("settings", key + " = " + (value.is_null() ? "(absent)" : TextValue(value, escaped)));
    const auto& rec = r["records"];
    line("records", rec["count"].dump() + " (" + rec["stored"].dump() + " stored, " +
                        rec["compressed"].dump() + " compressed), chunkCount " +
                        rec["chunkCount"].dump());
    char ratio[32];
    std::snprintf(ratio, sizeof ratio, "%.3f", r["package"]["ratio"].get<double>());
    line("package", r["package"]["size"].dump() + " bytes, stored in " +
                        r["package"]["streamBytes"].dump() + " (ratio " + ratio + ")");
    if (r.contains("product")) {
        const auto& product = r["product"];
        if (product.contains("error"))
            line("product", "(" + product["error"].get<std::string>() + ")");
        for (const auto& [key, value] : product.items())
            if (key != "error")
                line("product", key + " = " + (value.is_null() ? "(absent)" : value.dump()));
    }
    if (const auto& v = r["version"]; v.is_null()) {
        line("version", "(no version resource)");
    } else {
        line("version", "file " + v["fileVersion"].get<std::string>() + ", product " +
                            v["productVersion"].get<std::string>() + ", string table " +
                            v["stringTable"].get<std::string>() + ", translation " +
                            v["translation"].get<std::string>());
        for (const auto& [key, value] : v["strings"].items())
            line("version", key + " = " + value.dump());
    }
    const auto& s = r["signature"];
    line("signature", s.is_null() ? "none"
                                  : "Authenticode, " + s["size"].dump() + " bytes at offset " +
                                        s["offset"].dump());
    if (!s.is_null() && s.contains("error")) line("signature", s["error"].get<std::string>());
    PrintSignatures(signatures, out);
    if (!r.contains("packageSignature")) return;
    line("package signature", PackageSignatureText(r["packageSignature"]));
    PrintSignatures(product->signatures->reports, out);
}

// What kept read from reading the package; empty when nothing did.
std::string ProblemOf(const std::function<void()>& read) {
    try {
        read();
        return {};
    } catch (const Error& e) {
        return e.problem();
    } catch (const std::exception& e) {
        return e.what();
    }
}

// The signatures checked; a table that does not hold exactly its entries
// gives none, and its problem.
std::vector<SignatureReport> InspectSignatures(const SetupFile& setup, const VerifyOptions& options,
                                               std::string& tableProblem) {
    if (setup.signature.size == 0) return {};
    try {
        ReadCertificateTable(setup.file, setup.signature);
    } catch (const Error& e) {
        tableProblem = e.Message();
        return {};
    }
    return VerifySetupSignatures(setup, options);
}

}  // namespace

int RunInspect(const InspectRequest& request, std::ostream& out) {
    try {
        if (request.codepage) CheckCodepage(*request.codepage);
    } catch (Error& e) {
        e.SetSubjectIfUnset("--codepage");
        throw;
    }
    const SetupFile setup = ReadSetupFile(request.setup);
    const VerifyOptions signatureOptions{request.caFile};
    const ProductReport product = ReadProductReport(setup, &signatureOptions);
    WriteInspectReport(setup, request.codepage, request.json, out, &product, signatureOptions);
    return 0;
}

// The libraries read a database by name: the package goes to a copy in the
// temporary folder for them, removed again at once. The signatures are
// checked first: the memory their check takes goes back to the system
// before the library reads the identity.
ProductReport ReadProductReport(const SetupFile& setup, const VerifyOptions* signatureOptions) {
    ProductReport product;
    std::optional<ScratchFile> copy;
    product.problem = ProblemOf([&] {
        copy.emplace(PackageCopyName(setup), [&](TempFile& out) { CopyPackage(setup, out); });
    });
    if (signatureOptions && copy)
        product.signatures = VerifyPackageSignatures(copy->Path(), *signatureOptions);
    else if (signatureOptions)
        product.signatures.emplace().problem = product.problem;
    if (copy)
        product.problem = ProblemOf([&] { product.identity = ReadPackageIdentity(copy->Path()); });
    return product;
}

void WriteInspectReport(const SetupFile& setup, std::optional<unsigned> codepage, bool json,
                        std::ostream& out, const ProductReport* product,
                        const VerifyOptions& signatureOptions) {
    const StreamSummary stream =
        AboutFile(setup.path, [&] { return MeasureStream(setup.file, setup.layout); });
    std::string tableProblem;
    const std::vector<SignatureReport> signatures =
        InspectSignatures(setup, signatureOptions, tableProblem);
    ordered_json report = AboutFile(setup.path, [&] {
        return Report(setup, stream, codepage, SignatureTableJson(setup, signatures, tableProblem));
    });
    if (product) report["product"] = ProductJson(*product);
    if (product && product->signatures)
        report["packageSignature"] = PackageSignatureJson(*product->signatures);
    if (json)
        out << report.dump(2) << '\n';
    else
        PrintText(report, signatures, product, out);
}

}  // namespace boxlift
