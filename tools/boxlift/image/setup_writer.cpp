#include "image/setup_writer.h"

#include <string>

#include "base/byte_writer.h"
#include "base/error.h"
#include "image/pe_image.h"
#include "payload/chunk_writer.h"
#include "payload/payload_file.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

// The package's bytes in order; Error when the file is not the size it had
// when opened.
PieceSource ReadExactly(InputFile& file, const std::filesystem::path& path) {
    return [&file, path](std::span<std::uint8_t> piece) {
        if (file.Read(piece) != piece.size())
            throw Error("became shorter while being read").InFile(path.string());
    };
}

void CheckNothingLeft(InputFile& file, const std::filesystem::path& path) {
    std::uint8_t extra;
    if (file.Read({&extra, 1}) != 0) throw Error("grew while being read").InFile(path.string());
}

}  // namespace

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
    ByteWriter(field).U32(checksum.Result());
    temp.WriteAt(checksumAt, field);
    temp.Commit();
    return input.Size();
}

}  // namespace boxlift
