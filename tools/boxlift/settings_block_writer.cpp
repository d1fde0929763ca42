// The settings block: NUL-ended texts and one-byte flags, in the order the
// launcher reads them, with exactly the fields its flags make present.
#include <string>

#include "payload_writer.h"

namespace boxlift {
namespace {

// The launcher parses the block out of a window of this many bytes read
// from the block's first byte; a longer block runs off its end.
constexpr std::size_t kSettingsWindowSize = 524288;

class BlockWriter {
public:
    void Text(const char* field, const std::string& value) {
        if (std::size_t nul = value.find('\0'); nul != std::string::npos)
            throw Error(std::string(field) + ": holds a NUL byte (at offset " +
                        std::to_string(nul) +
                        "), which would end the text early");
        block_.insert(block_.end(), value.begin(), value.end());
        block_.push_back(0);
    }

    void Flag(bool value) { block_.push_back(value ? 1 : 0); }

    Bytes Take() { return std::move(block_); }

private:
    Bytes block_;
};

void CheckEngineVersionBytes(const std::string& bytes) {
    bool ok = bytes.size() == 2 && bytes[0] != '\0' && bytes[1] != '\0';
    if (!ok)
        throw Error("requiredEngineVersion: expected the two stored bytes "
                    "major + 1 and minor + 1 (see EncodeEngineVersion), got " +
                    std::to_string(bytes.size()) + " bytes");
}

void WriteWelcomeGroup(BlockWriter& w, const Settings& s) {
    w.Flag(s.welcomeAsDialog);
    if (s.welcomeAsDialog) {
        w.Text("exitCaption", s.exitCaption);
        w.Text("continueCaption", s.continueCaption);
    }
    w.Text("welcomeText", s.welcomeText);
}

void WriteProgressGroup(BlockWriter& w, const Settings& s) {
    w.Text("dialogHeading", s.dialogHeading);
    w.Text("progressText", s.progressText);
    w.Text("cancelCaption", s.cancelCaption);
    w.Text("cancelQuestion", s.cancelQuestion);
}

void CheckBlockSize(const Bytes& block) {
    if (block.size() > kSettingsWindowSize)
        throw Error("settings block is " + std::to_string(block.size()) +
                    " bytes, more than the " +
                    std::to_string(kSettingsWindowSize) +
                    " the launcher reads: shorten the texts");
}

}  // namespace

Bytes EncodeSettingsBlock(const Settings& s) {
    CheckEngineVersionBytes(s.requiredEngineVersion);
    BlockWriter w;
    w.Text("title", s.title);
    w.Text("errorText", s.errorText);
    w.Flag(s.showWelcome);
    if (s.showWelcome) WriteWelcomeGroup(w, s);
    w.Text("requiredEngineVersion", s.requiredEngineVersion);
    w.Text("engineMissingText", s.engineMissingText);
    w.Text("engineDownloadTarget", s.engineDownloadTarget);
    w.Text("diskSpaceText", s.diskSpaceText);
    w.Flag(s.showProgress);
    if (s.showProgress) WriteProgressGroup(w, s);
    Bytes block = w.Take();
    CheckBlockSize(block);
    return block;
}

}  // namespace boxlift
