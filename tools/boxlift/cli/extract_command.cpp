// boxlift extract: the package inside a setup.exe, written natively after
// every record and every Adler-32 has been checked.
#include "base/error.h"
#include "cli/commands.h"
#include "image/setup_file.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"

namespace boxlift {

int RunExtract(const ExtractRequest& request, std::ostream& out) {
    namespace fs = std::filesystem;
    const SetupFile setup = ReadSetupFile(request.setup);
    const Bytes package =
        AboutFile(request.setup, [&] { return ReadPackage(setup.bytes, setup.layout); });
    std::error_code error;
    fs::create_directories(request.outDir, error);
    if (!fs::is_directory(request.outDir))
        throw Error("cannot create the directory" +
                    (error ? ": " + error.message() : std::string()))
            .InFile(request.outDir.string());
    const fs::path target =
        request.outDir / fs::path(request.setup.filename()).replace_extension(".msi");
    if (fs::equivalent(target, request.setup, error))
        throw Error("is the input file itself").InFile(target.string());
    WriteFileBytes(target, package);
    out << "boxlift: wrote " << target.string() << " (" << package.size() << " bytes)\n";
    return 0;
}

}  // namespace boxlift
