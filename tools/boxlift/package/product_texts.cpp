#include "package/product_texts.h"

#include <algorithm>
#include <variant>
#include <vector>

#include "base/error.h"
#include "platform/codepage.h"

namespace boxlift {
namespace {

// The defaults made of the product's words, as the package gives them
// (UTF-8) or converted: every other piece is ASCII, the same in every code
// page the launcher's texts can be in.
Settings DefaultTexts(const ProductInfo& words) {
    const std::string& name = words.name;
    const std::string& version = words.version;
    Settings s = DefaultSettings();
    s.title = name + " Setup";
    s.errorText = "Setup could not install " + name +
                  ".\nPlease try again, or ask your "
                  "administrator for help.";
    s.showWelcome = true;
    s.exitCaption = "E&xit";
    s.continueCaption = "&Continue";
    s.welcomeText = "This will install " + name + " " + version + " from " + words.manufacturer +
                    " on your computer.\nDo you want to continue?";
    s.engineMissingText = name +
                          " needs a newer version of Windows Installer.\n"
                          "Do you want to open the download page now?";
    s.engineDownloadTarget = "https://www.microsoft.com/en-us/download/details.aspx?id=8483";
    s.diskSpaceText =
        "There is not enough free space on drive %ofd_drive%.\nSetup needs about "
        "%fd_mbytes% MB there to unpack " +
        name +
        ".\nFree some space and click "
        "Retry, or click Abort to leave setup.";
    s.showProgress = true;
    s.dialogHeading = "Preparing to install " + name;
    s.progressText = "Please wait while setup unpacks " + name + " " + version + ".";
    s.cancelCaption = "Cancel";
    s.cancelQuestion = "Do you really want to cancel the installation of " + name + "?";
    return s;
}

// A word of the product and the property it comes from.
struct Word {
    std::string ProductInfo::*member;
    const char* property;
};
constexpr Word kWords[] = {{&ProductInfo::name, "ProductName"},
                           {&ProductInfo::version, "ProductVersion"},
                           {&ProductInfo::manufacturer, "Manufacturer"}};

bool IsGiven(const Config& config, std::string_view key) {
    return std::ranges::find(config.settings, key, &ConfigEntry::key) != config.settings.end();
}

// The fields the config leaves out whose default holds the word: those
// that change when the word does.
std::vector<std::string> TextsUsing(const Word& word, const Config& config) {
    ProductInfo marked;
    const Settings without = DefaultTexts(marked);
    (marked.*word.member).push_back('x');  // not = "x": GCC 12 warns wrongly
    const Settings with = DefaultTexts(marked);
    std::vector<std::string> names;
    for (const SettingsFieldInfo& field : kSettingsFieldInfos) {
        const auto* text = std::get_if<TextMember>(&field.member);
        if (text && !IsGiven(config, field.name) && with.**text != without.**text)
            names.emplace_back(field.name);
    }
    return names;
}

// "a", "a and b", "a, b and c".
std::string JoinNames(const std::vector<std::string>& names) {
    std::string joined;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0) joined += i + 1 == names.size() ? " and " : ", ";
        joined += names[i];
    }
    return joined;
}

// The word in the config's code page; empty when no default the config
// leaves out holds it.
std::string ConvertWord(const Word& word, const ProductInfo& product, const Config& config,
                        const std::string& source) {
    const std::vector<std::string> users = TextsUsing(word, config);
    if (users.empty()) return {};
    try {
        return ToCodepage(product.*word.member, config.codepage);
    } catch (const Error& e) {
        throw Error(e.problem() + " (in the default " + JoinNames(users) + ")")
            .InFile(source)
            .About(word.property);
    }
}

}  // namespace

Settings ProductSettings(const ProductInfo& product, const Config& config,
                         const std::string& source) {
    Settings settings = ApplyConfig(config, DefaultSettings());
    ProductInfo words;
    for (const Word& word : kWords) words.*word.member = ConvertWord(word, product, config, source);
    const Settings defaults = DefaultTexts(words);
    for (const SettingsFieldInfo& field : kSettingsFieldInfos)
        if (!IsGiven(config, field.name))
            std::visit([&](auto member) { settings.*member = defaults.*member; }, field.member);
    return settings;
}

}  // namespace boxlift
