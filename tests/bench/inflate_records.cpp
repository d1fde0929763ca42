// The benchmark's limit: reads a payload file (setup.exe), walks its chunk
// stream and inflates every compressed record with zlib, natively, throwing
// the output away. What the launcher does per record, minus Wine and the
// writing of the package.
//
//   inflate_records PAYLOAD_FILE
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr char kMarker[] = "CmSSFX2";
constexpr std::size_t kMarkerLength = 7;
constexpr std::size_t kSettingsWindow = 524288;
constexpr std::uint32_t kMaxChunk = 65536;

struct Reader {
    const std::vector<std::uint8_t>& data;
    std::size_t at;

    void Need(std::size_t n) const {
        if (data.size() - at < n) throw std::runtime_error("file ends inside the payload");
    }
    std::uint8_t Byte() {
        Need(1);
        return data[at++];
    }
    std::uint32_t U32() {
        Need(4);
        std::uint32_t v = data[at] | data[at + 1] << 8 | data[at + 2] << 16 |
                          (std::uint32_t)data[at + 3] << 24;
        at += 4;
        return v;
    }
    void Text() {
        const void* nul = std::memchr(data.data() + at, 0, data.size() - at);
        if (!nul) throw std::runtime_error("settings text without its NUL");
        at = (std::size_t)((const std::uint8_t*)nul - data.data()) + 1;
    }
};

// The payload's marker is the second one: the launcher image holds the
// first.
std::size_t FindPayloadMarker(const std::vector<std::uint8_t>& data) {
    std::size_t end = std::min(data.size(), kSettingsWindow);
    int seen = 0;
    for (std::size_t i = 0; i + kMarkerLength <= end; ++i)
        if (std::memcmp(data.data() + i, kMarker, kMarkerLength) == 0 && ++seen == 2)
            return i;
    throw std::runtime_error("no payload marker");
}

void SkipSettingsBlock(Reader& r) {
    r.Text();  // title
    r.Text();  // errorText
    if (r.Byte()) {         // showWelcome
        if (r.Byte()) {     // welcomeAsDialog
            r.Text();       // exitCaption
            r.Text();       // continueCaption
        }
        r.Text();           // welcomeText
    }
    for (int i = 0; i < 4; ++i) r.Text();  // engine version .. diskSpaceText
    if (r.Byte())                           // showProgress
        for (int i = 0; i < 4; ++i) r.Text();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: inflate_records PAYLOAD_FILE\n");
        return 2;
    }
    try {
        std::ifstream file(argv[1], std::ios::binary | std::ios::ate);
        if (!file) throw std::runtime_error(std::string("cannot read ") + argv[1]);
        std::vector<std::uint8_t> data((std::size_t)file.tellg());
        file.seekg(0);
        if (!file.read((char*)data.data(), (std::streamsize)data.size()))
            throw std::runtime_error(std::string("cannot read ") + argv[1]);
        Reader r{data, FindPayloadMarker(data) + kMarkerLength};
        SkipSettingsBlock(r);
        r.U32();  // chunkCount

        std::vector<std::uint8_t> out(kMaxChunk);
        std::uint64_t storedBytes = 0, inflatedBytes = 0;
        std::uint32_t stored = 0, compressed = 0;
        for (std::uint8_t type; (type = r.Byte()) != 0;) {
            if (type == 1) {
                std::uint32_t size = r.U32();
                r.Need(size);
                r.at += size;
                storedBytes += size;
                ++stored;
            } else if (type == 2) {
                std::uint32_t inflated = r.U32(), size = r.U32();
                r.Need(size);
                if (inflated > kMaxChunk) throw std::runtime_error("record too large");
                uLongf produced = inflated;
                if (uncompress(out.data(), &produced, data.data() + r.at, size) != Z_OK)
                    throw std::runtime_error("a record does not inflate");
                r.at += size;
                inflatedBytes += produced;
                ++compressed;
            } else {
                throw std::runtime_error("unknown record type " + std::to_string(type));
            }
        }
        std::printf("%u compressed records (%llu bytes inflated), %u stored (%llu bytes)\n",
                    compressed, (unsigned long long)inflatedBytes, stored,
                    (unsigned long long)storedBytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "inflate_records: %s\n", e.what());
        return 1;
    }
    return 0;
}
