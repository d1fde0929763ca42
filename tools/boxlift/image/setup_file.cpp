#include "image/setup_file.h"

#include "image/resource_tree.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

std::optional<VersionInfo> FindVersion(const SetupFile& setup) {
    for (const Resource& r : ReadResources(setup.bytes, setup.image))
        if (r.type == ResourceId{u"", kVersionType}) return ParseVersionInfo(r.data);
    return std::nullopt;
}

}  // namespace

SetupFile ReadSetupFile(const std::filesystem::path& path) {
    return ParseSetupFile(path, ReadFileBytes(path));
}

SetupFile ParseSetupFile(const std::filesystem::path& path, Bytes bytes) {
    SetupFile setup;
    setup.path = path;
    setup.bytes = std::move(bytes);
    return AboutFile(path, [&] {
        setup.image = ParsePe(setup.bytes);
        setup.layout = LocatePayload(setup.bytes);
        setup.version = FindVersion(setup);
        setup.signature = setup.image.directories[kSecurityDirectory];
        return std::move(setup);
    });
}

}  // namespace boxlift
