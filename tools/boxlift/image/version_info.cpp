#include "image/version_info.h"

#include <charconv>

#include "base/byte_reader.h"
#include "base/byte_writer.h"
#include "base/error.h"
#include "image/pe_image.h"
#include "platform/codepage.h"

namespace boxlift {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BD;
constexpr std::size_t kFixedSize = 52;

// One node of the block: wLength, wValueLength, wType, the key, the value
// and the children, each part 32-bit aligned.
struct Node {
    std::u16string key;
    std::uint16_t type = 0;  // 1: the value is text
    Bytes value;
    std::vector<Node> children;
};

std::size_t Aligned(std::size_t offset) { return (offset + 3) & ~std::size_t{3}; }

Node ParseNode(ByteView block, std::size_t at, std::size_t end) {
    const ByteReader in(block, kPeOverrun);
    std::uint16_t length = in.U16(at);
    if (length < 6 || length > end - at)
        throw Error("a node overruns its parent").About("version resource");
    end = at + length;
    Node node;
    std::uint16_t valueLength = in.U16(at + 2);
    node.type = in.U16(at + 4);
    std::size_t p = at + 6;
    for (char16_t c; p + 2 <= end && (c = static_cast<char16_t>(in.U16(p))) != 0; p += 2)
        node.key += c;
    p = Aligned(p + 2);
    std::size_t valueBytes = node.type == 1 ? 2u * valueLength : valueLength;
    if (p > end || valueBytes > end - p)
        throw Error("a value overruns its node").About("version resource");
    node.value.assign(block.begin() + p, block.begin() + p + valueBytes);
    for (p = Aligned(p + valueBytes); p + 6 <= end; p = Aligned(p + in.U16(p)))
        node.children.push_back(ParseNode(block, p, end));
    return node;
}

void PutNode(Bytes& bytes, const Node& node) {
    ByteWriter out(bytes, kPeOverrun);
    std::size_t start = out.size();
    out.U16(0);  // wLength, filled in below
    out.U16(static_cast<std::uint16_t>(node.type == 1 ? node.value.size() / 2 : node.value.size()));
    out.U16(node.type);
    for (char16_t c : node.key) out.U16(c);
    out.U16(0).Align(4).Append(node.value);
    for (const Node& child : node.children) {
        out.Align(4);
        PutNode(bytes, child);
    }
    out.PutU16(start, static_cast<std::uint16_t>(out.size() - start));
}

Bytes Utf16Value(const std::string& utf8) {
    Bytes value;
    ByteWriter out(value);
    for (char16_t c : ToUtf16(utf8)) out.U16(c);
    out.U16(0);
    return value;
}

std::string TextValue(const Bytes& value) {
    const ByteReader in(value, kPeOverrun);
    std::u16string text;
    for (std::size_t i = 0; i + 1 < value.size(); i += 2) {
        char16_t c = static_cast<char16_t>(in.U16(i));
        if (c == 0) break;
        text += c;
    }
    return FromUtf16(text);
}

FourPartVersion VersionAt(const ByteReader& fixed, std::size_t at) {
    std::uint32_t ms = fixed.U32(at), ls = fixed.U32(at + 4);
    return {static_cast<std::uint16_t>(ms >> 16), static_cast<std::uint16_t>(ms),
            static_cast<std::uint16_t>(ls >> 16), static_cast<std::uint16_t>(ls)};
}

void PutVersion(ByteWriter& fixed, std::size_t at, const FourPartVersion& v) {
    fixed.PutU32(at, static_cast<std::uint32_t>(v[0]) << 16 | v[1]);
    fixed.PutU32(at + 4, static_cast<std::uint32_t>(v[2]) << 16 | v[3]);
}

}  // namespace

VersionInfo ParseVersionInfo(ByteView block) {
    Node root = ParseNode(block, 0, block.size());
    const ByteReader fixed(root.value, kPeOverrun);
    if (root.key != u"VS_VERSION_INFO" || root.value.size() != kFixedSize ||
        fixed.U32(0) != kFixedSignature)
        throw Error("no VS_VERSION_INFO with a fixed file info").About("version resource");
    VersionInfo info;
    info.fileVersion = VersionAt(fixed, 8);
    info.productVersion = VersionAt(fixed, 16);
    for (const Node& child : root.children) {
        if (child.key == u"StringFileInfo" && !child.children.empty()) {
            info.stringTable = FromUtf16(child.children[0].key);
            for (const Node& string : child.children[0].children)
                info.strings.push_back({FromUtf16(string.key), TextValue(string.value)});
        }
        if (child.key == u"VarFileInfo" && !child.children.empty() &&
            child.children[0].value.size() >= 4) {
            const ByteReader translation(child.children[0].value, kPeOverrun);
            info.language = translation.U16(0);
            info.codepage = translation.U16(2);
        }
    }
    return info;
}

Bytes BuildVersionInfo(const VersionInfo& info) {
    Node root{u"VS_VERSION_INFO", 0, Bytes(kFixedSize, 0), {}};
    ByteWriter fixed(root.value, kPeOverrun);
    fixed.PutU32(0, kFixedSignature);
    fixed.PutU32(4, 0x00010000);  // structure version 1.0
    PutVersion(fixed, 8, info.fileVersion);
    PutVersion(fixed, 16, info.productVersion);
    fixed.PutU32(24, 0x3F);     // file flags mask
    fixed.PutU32(32, 0x40004);  // VOS_NT_WINDOWS32
    fixed.PutU32(36, 1);        // VFT_APP
    Node table{ToUtf16(info.stringTable), 1, {}, {}};
    for (const auto& [key, value] : info.strings)
        table.children.push_back({ToUtf16(key), 1, Utf16Value(value), {}});
    Node translation{u"Translation", 0, {}, {}};
    ByteWriter(translation.value).U16(info.language).U16(info.codepage);
    root.children.push_back({u"StringFileInfo", 1, {}, {std::move(table)}});
    root.children.push_back({u"VarFileInfo", 1, {}, {std::move(translation)}});
    Bytes out;
    PutNode(out, root);
    return out;
}

FourPartVersion ParseFourPartVersion(const std::string& text) {
    FourPartVersion version{};
    const char* p = text.data();
    const char* end = text.data() + text.size();
    for (std::size_t i = 0; i < version.size() && p < end; ++i) {
        auto [next, status] = std::from_chars(p, end, version[i]);
        if (status != std::errc() || (next != end && *next != '.'))
            throw Error("\"" + text + "\" is not a version of up to four numbers 0 to 65535");
        p = next == end ? end : next + 1;
    }
    if (p != end || text.empty() || text.back() == '.')
        throw Error("\"" + text + "\" is not a version of up to four numbers 0 to 65535");
    return version;
}

std::string FormatVersion(const FourPartVersion& v) {
    return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
           std::to_string(v[3]);
}

}  // namespace boxlift
