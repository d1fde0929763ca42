// boxlift extract: the package inside a setup.exe, written natively record
// by record and put in place only once every record and every Adler-32 has
// been checked. A failed extraction leaves nothing behind, not even the
// directories it made.
#include <vector>

#include "base/error.h"
#include "cli/commands.h"
#include "image/setup_file.h"
#include "payload/payload_reader.h"
#include "platform/file_io.h"

namespace boxlift {
namespace {

namespace fs = std::filesystem;

// The directories made for the output, removed again (deepest first) unless
// kept.
class MadeDirectories {
public:
    explicit MadeDirectories(const fs::path& dir) {
        std::error_code error;
        for (fs::path at = dir; !at.empty() && !fs::exists(at, error); at = at.parent_path()) {
            made_.push_back(at);
            if (at == at.parent_path()) break;
        }
        fs::create_directories(dir, error);
        if (!fs::is_directory(dir))
            throw Error("cannot create the directory" +
                        (error ? ": " + error.message() : std::string()))
                .InFile(dir.string());
    }
    ~MadeDirectories() {
        std::error_code ignored;
        for (const fs::path& dir : made_) fs::remove(dir, ignored);
    }
    MadeDirectories(const MadeDirectories&) = delete;
    MadeDirectories& operator=(const MadeDirectories&) = delete;

    void Keep() { made_.clear(); }

private:
    std::vector<fs::path> made_;
};

}  // namespace

int RunExtract(const ExtractRequest& request, std::ostream& out) {
    const SetupFile setup = ReadSetupFile(request.setup);
    MadeDirectories dirs(request.outDir);
    const fs::path target =
        request.outDir / fs::path(request.setup.filename()).replace_extension(".msi");
    std::error_code error;
    if (fs::equivalent(target, request.setup, error))
        throw Error("is the input file itself").InFile(target.string());
    TempFile package(target);
    const std::uint64_t written = CopyPackage(setup, package);
    package.Commit();
    dirs.Keep();
    out << "boxlift: wrote " << target.string() << " (" << written << " bytes)\n";
    return 0;
}

}  // namespace boxlift
