#include "image/setup_file.h"

#include <memory>

#include "image/resource_tree.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

std::optional<VersionInfo> FindVersion(const SetupFile& setup) {
    for (const Resource& r : ReadResources(setup.head, setup.image))
        if (r.type == ResourceId{u"", kVersionType}) return ParseVersionInfo(r.data);
    return std::nullopt;
}

// Reads the head of file, then finds the image and the payload in it. The
// launcher looks for its payload in the head; an image running past it is
// no launcher's.
SetupFile Parse(const std::filesystem::path& path, RandomAccess file) {
    SetupFile setup;
    setup.path = path;
    setup.file = std::move(file);
    setup.head.resize(std::min<std::uint64_t>(setup.file.size, kPayloadHeadSize));
    setup.head.resize(setup.file.readAt(0, setup.head));
    return AboutFile(setup.path, [&] {
        setup.image = ParsePe(setup.head, setup.file.size);
        if (setup.image.imageEnd > setup.head.size())
            throw Error("the PE image's sections end at offset " +
                        std::to_string(setup.image.imageEnd) + ", past the first " +
                        std::to_string(setup.head.size()) +
                        " bytes, in which the launcher looks for its payload");
        setup.layout = LocatePayload(setup.head);
        setup.version = FindVersion(setup);
        setup.signature = setup.image.directories[kSecurityDirectory];
        return std::move(setup);
    });
}

}  // namespace

SetupFile ReadSetupFile(const std::filesystem::path& path) {
    auto input = std::make_shared<InputFile>(path);
    return Parse(path,
                 {input->Size(), [input](std::uint64_t offset, std::span<std::uint8_t> buffer) {
                      return input->ReadAt(offset, buffer);
                  }});
}

SetupFile ParseSetupFile(const std::filesystem::path& path, Bytes bytes) {
    auto whole = std::make_shared<const Bytes>(std::move(bytes));
    const RandomAccess view = InMemory(*whole);
    return Parse(path, {view.size, [whole, read = view.readAt](std::uint64_t offset,
                                                               std::span<std::uint8_t> buffer) {
                            return read(offset, buffer);
                        }});
}

std::string PackageCopyName(const SetupFile& setup) { return setup.path.stem().string() + ".msi"; }

std::uint64_t CopyPackage(const SetupFile& setup, TempFile& out) {
    std::uint64_t written = 0;
    AboutFile(setup.path, [&] {
        ReadRecords(setup.file, setup.layout, {}, [&](ByteView piece) {
            out.Write(piece);
            written += piece.size();
        });
    });
    return written;
}

}  // namespace boxlift
