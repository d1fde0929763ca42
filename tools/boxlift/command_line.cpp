#include "command_line.h"

#include <algorithm>
#include <optional>
#include <string>

namespace boxlift {

const char kUsage[] =
    "usage: boxlift build --launcher PATH --config FILE -o OUT PACKAGE.msi\n"
    "\n"
    "Writes OUT: the launcher image at PATH with PACKAGE.msi and the\n"
    "settings of the INI file FILE appended as its payload.\n"
    "\n"
    "  --launcher PATH  the launcher image (setup.exe without payload)\n"
    "  --config FILE    the settings, in a [settings] section\n"
    "  -o, --output OUT the file to write\n"
    "  -h, --help       show this help\n";

namespace {

bool IsHelp(std::string_view arg) { return arg == "--help" || arg == "-h"; }

// Walks the arguments of "build", filling the request.
class BuildParser {
public:
    explicit BuildParser(std::span<const std::string_view> args) : args_(args) {}

    BuildRequest Parse();

private:
    void TakeOption(std::string_view arg);
    void TakePackage(std::string_view arg);
    std::filesystem::path* OptionTarget(std::string_view name);
    std::string_view Value(std::string_view name,
                           std::optional<std::string_view> inlineValue);
    void Require(const std::filesystem::path& value, const char* what) const;

    std::span<const std::string_view> args_;
    std::size_t next_ = 0;
    bool optionsEnded_ = false;
    bool packageSeen_ = false;
    BuildRequest request_;
};

BuildRequest BuildParser::Parse() {
    while (next_ < args_.size()) {
        std::string_view arg = args_[next_++];
        bool isOption = !optionsEnded_ && arg.size() > 1 && arg[0] == '-';
        if (isOption && arg == "--")
            optionsEnded_ = true;
        else if (isOption)
            TakeOption(arg);
        else
            TakePackage(arg);
    }
    Require(request_.launcher, "--launcher PATH");
    Require(request_.config, "--config FILE");
    Require(request_.out, "-o OUT");
    if (!packageSeen_) throw UsageError("missing the package (PACKAGE.msi)");
    return request_;
}

void BuildParser::TakeOption(std::string_view arg) {
    std::optional<std::string_view> inlineValue;
    std::string_view name = arg;
    if (std::size_t equals = arg.find('='); arg.starts_with("--") &&
                                            equals != std::string_view::npos) {
        name = arg.substr(0, equals);
        inlineValue = arg.substr(equals + 1);
    }
    std::filesystem::path* target = OptionTarget(name);
    if (!target) throw UsageError("unknown option " + std::string(name));
    if (!target->empty())
        throw UsageError(std::string(name) + " given more than once");
    *target = Value(name, inlineValue);
    if (target->empty())
        throw UsageError(std::string(name) + ": empty value");
}

void BuildParser::TakePackage(std::string_view arg) {
    if (packageSeen_)
        throw UsageError("more than one package: " +
                         request_.package.string() + " and " +
                         std::string(arg));
    request_.package = arg;
    packageSeen_ = true;
}

std::filesystem::path* BuildParser::OptionTarget(std::string_view name) {
    if (name == "--launcher") return &request_.launcher;
    if (name == "--config") return &request_.config;
    if (name == "-o" || name == "--output") return &request_.out;
    return nullptr;
}

std::string_view BuildParser::Value(
    std::string_view name, std::optional<std::string_view> inlineValue) {
    if (inlineValue) return *inlineValue;
    if (next_ == args_.size())
        throw UsageError(std::string(name) + ": missing value");
    return args_[next_++];
}

void BuildParser::Require(const std::filesystem::path& value,
                          const char* what) const {
    if (value.empty()) throw UsageError(std::string("missing ") + what);
}

}  // namespace

Command ParseCommandLine(std::span<const std::string_view> args) {
    if (std::ranges::any_of(args, IsHelp)) return HelpRequest{};
    if (args.empty()) throw UsageError("missing command");
    if (args[0] != "build")
        throw UsageError("unknown command \"" + std::string(args[0]) + "\"");
    return BuildParser(args.subspan(1)).Parse();
}

}  // namespace boxlift
