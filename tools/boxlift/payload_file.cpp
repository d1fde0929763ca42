// The payload file: launcher image, marker, settings block, chunk stream.
#include <initializer_list>
#include <system_error>

#include "payload_writer.h"

namespace boxlift {
namespace {

void AppendBytes(Bytes& out, ByteView data) {
    out.insert(out.end(), data.begin(), data.end());
}

// Errors about the image itself get the launcher file's name in front.
void CheckLauncherFile(const std::filesystem::path& launcher, ByteView image) {
    try {
        CheckLauncherImage(image);
    } catch (const Error& e) {
        throw Error(launcher.string() + ": " + e.what());
    }
}

// Writing OUT over one of the inputs would destroy it for nothing.
void RefuseOverwritingInput(
    const std::filesystem::path& out,
    std::initializer_list<std::filesystem::path> inputs) {
    for (const auto& input : inputs) {
        std::error_code ignored;  // a missing OUT is no conflict
        if (std::filesystem::equivalent(out, input, ignored))
            throw Error(out.string() + ": is the same file as the input " +
                        input.string());
    }
}

}  // namespace

Bytes BuildPayloadFile(ByteView launcherImage, const Settings& settings,
                       ByteView package) {
    CheckLauncherImage(launcherImage);
    Bytes block = EncodeSettingsBlock(settings);
    Bytes stream = EncodeChunkStream(package);
    Bytes file;
    file.reserve(launcherImage.size() + kMarkerLength + block.size() +
                 stream.size());
    AppendBytes(file, launcherImage);
    AppendBytes(file, ByteView(reinterpret_cast<const std::uint8_t*>(kMarker),
                               kMarkerLength));
    AppendBytes(file, block);
    AppendBytes(file, stream);
    return file;
}

void WritePayloadFile(const std::filesystem::path& launcher,
                      const Settings& settings,
                      const std::filesystem::path& package,
                      const std::filesystem::path& out) {
    Bytes image = ReadFileBytes(launcher);
    CheckLauncherFile(launcher, image);
    RefuseOverwritingInput(out, {launcher, package});
    Bytes packageBytes = ReadFileBytes(package);
    WriteFileBytes(out, BuildPayloadFile(image, settings, packageBytes));
}

}  // namespace boxlift
