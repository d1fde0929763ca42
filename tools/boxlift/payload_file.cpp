// The payload file: launcher image, marker, settings block, chunk stream.
#include <string>

#include "file_io.h"
#include "payload_writer.h"
#include "pe_image.h"

namespace boxlift {
namespace {

void AppendBytes(Bytes& out, ByteView data) {
    out.insert(out.end(), data.begin(), data.end());
}

// The image, the marker and the settings block: what comes before the
// chunk stream.
Bytes PayloadHead(ByteView launcherImage, const Settings& settings) {
    CheckLauncherImage(launcherImage);
    Bytes head(launcherImage.begin(), launcherImage.end());
    AppendBytes(head, ByteView(reinterpret_cast<const std::uint8_t*>(kMarker), kMarkerLength));
    AppendBytes(head, EncodeSettingsBlock(settings));
    return head;
}

// The package's bytes in order; Error when the file is not the size it had
// when opened.
PieceSource ReadExactly(InputFile& file, const std::filesystem::path& path) {
    return [&file, path](std::span<std::uint8_t> piece) {
        if (file.Read(piece) != piece.size())
            throw Error(path.string() + ": became shorter while being read");
    };
}

void CheckNothingLeft(InputFile& file, const std::filesystem::path& path) {
    std::uint8_t extra;
    if (file.Read({&extra, 1}) != 0) throw Error(path.string() + ": grew while being read");
}

}  // namespace

Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package, const PackOptions& options) {
    Bytes file = PayloadHead(launcherImage, settings);
    AppendBytes(file, EncodeChunkStream(package, options));
    return file;
}

std::uint64_t WriteSetupFile(const std::filesystem::path& output, ByteView launcherImage,
                             const Settings& settings, const std::filesystem::path& package,
                             const PackOptions& options) {
    const Bytes head = PayloadHead(launcherImage, settings);
    const std::size_t checksumAt = ParsePe(launcherImage).checksumOffset;
    InputFile input(package);
    TempFile temp(output);
    PeChecksummer checksum(checksumAt);
    auto write = [&](ByteView bytes) {
        checksum.Add(bytes);
        temp.Write(bytes);
    };
    write(head);
    WriteChunkStream(input.Size(), ReadExactly(input, package), write, options);
    CheckNothingLeft(input, package);
    Bytes field;
    AppendU32(field, checksum.Result());
    temp.WriteAt(checksumAt, field);
    temp.Commit();
    return input.Size();
}

}  // namespace boxlift
