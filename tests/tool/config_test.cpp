// The config file: every key reaching its field, values kept as written,
// and errors that name the file, the line and the key.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "base/error.h"
#include "package/config.h"
#include "package/product_texts.h"
#include "payload/engine_version.h"

namespace boxlift {
namespace {

Settings Parse(std::string_view text) { return ParseConfig(text, "demo.ini"); }

// The config over the defaults of a product whose name code page 1251 lacks.
Settings ParseForQuokka(std::string_view text) {
    const ProductInfo quokka = {"Quokka Not\xc3\xa9s", "1.0", "Quokka Ltd"};
    return ProductSettings(quokka, ReadConfig(text, "demo.ini"), "quokka.msi");
}

TEST(Config, EveryKeyReachesItsField) {
    const Settings s = Parse(
        "[settings]\ntitle=A\nerrorText=B\nexitCaption=C\ncontinueCaption=D\n"
        "welcomeText=E\nengineMissingText=F\nengineDownloadTarget=G\n"
        "diskSpaceText=H\ndialogHeading=I\nprogressText=J\ncancelCaption=K\n"
        "cancelQuestion=L\nrequiredEngineVersion = 4.5\n");
    EXPECT_EQ(s.title + s.errorText + s.exitCaption + s.continueCaption + s.welcomeText +
                  s.engineMissingText + s.engineDownloadTarget + s.diskSpaceText + s.dialogHeading +
                  s.progressText + s.cancelCaption + s.cancelQuestion,
              "ABCDEFGHIJKL");
    EXPECT_EQ(s.requiredEngineVersion, EncodeEngineVersion("4.5"));
    EXPECT_EQ(Parse("").requiredEngineVersion, EncodeEngineVersion("2.0")) << "the default";
}

TEST(Config, FlagsTakeEverySpellingInAnyCase) {
    const std::pair<const char*, bool Settings::*> flags[] = {
        {"showWelcome", &Settings::showWelcome},
        {"welcomeAsDialog", &Settings::welcomeAsDialog},
        {"showProgress", &Settings::showProgress}};
    const std::pair<const char*, bool> spellings[] = {
        {"yes", true}, {"YES", true}, {"True", true},   {"1", true},
        {"no", false}, {"No", false}, {"FALSE", false}, {"0", false}};
    for (auto [key, field] : flags)
        for (auto [spelling, value] : spellings) {
            const Settings s = Parse(std::string("[settings]\n") + key + " = " + spelling);
            EXPECT_EQ(s.*field, value) << key << " = " << spelling;
            EXPECT_EQ(s.showWelcome + s.welcomeAsDialog + s.showProgress, value)
                << "other flags set";
        }
}

TEST(Config, TextsKeepTheirBytes) {
    const std::string longText(5000, 'L');
    const Settings s = Parse(
        "[settings]\r\n"
        "title = Press Next ; then # wait\r\n"
        "welcomeText = first\n"
        "  second ; still text\r\n"
        "  # and this\n"
        "\tthird\n"
        "errorText = caf\xc3\xa9 \xe2\x82\xac\n"
        "diskSpaceText = " +
        longText + "\r\n");
    EXPECT_EQ(s.title, "Press Next ; then # wait");
    EXPECT_EQ(s.welcomeText, "first\nsecond ; still text\n# and this\nthird");
    EXPECT_EQ(s.errorText, "caf\xe9 \x80") << "UTF-8 into code page 1252";
    EXPECT_EQ(s.diskSpaceText, longText);
}

TEST(Config, ErrorsNameFileLineAndKey) {
    using namespace std::string_view_literals;
    // Every text in Russian but the title and cancelQuestion, which keep
    // their defaults naming the product.
    std::string russian = "[settings]\ncodepage = 1251\n";
    for (const char* key : {"errorText", "exitCaption", "continueCaption", "welcomeText",
                            "engineMissingText", "engineDownloadTarget", "diskSpaceText",
                            "dialogHeading", "progressText", "cancelCaption"})
        russian += std::string(key) + " = \xd0\x9f\xd1\x80\xd0\xb8\n";
    const std::pair<std::string_view, const char*> cases[] = {
        {"[settings]\ntitle = a\n\n\nshowWelcome = maybe\n",
         "demo.ini:5: showWelcome: expected yes/no/true/false/1/0, got \"maybe\""},
        {"[settings]\ncolour = red\n", "demo.ini:2: colour: unknown key"},
        {"[settings]\ntitle = a\n  more\ntitle = b\n",
         "demo.ini:4: title: given twice, first on line 2"},
        {"[settings]\ntitle = a\n[settings]\n  title = b\n", "demo.ini:4: title: given twice"},
        {"title = a\n[settings]\n", "demo.ini:1: title: outside any section"},
        {"[settings]\n[other]\ntitle = a\n", "demo.ini:3: title: in section [other]"},
        {"[settings]\n\nrequiredEngineVersion = 127.0\n",
         "demo.ini:3: requiredEngineVersion: \"127.0\""},
        {"[settings]\ntitle = a\njust words\n", "demo.ini:3: expected key = value"},
        {"[settings]\ntitle = a\nerrorText = b\0c\n"sv, "demo.ini:3: holds a NUL byte"},
        {"[version]\nCompanyName = caf\xe9\n", "demo.ini:2: CompanyName: text is not valid UTF-8"},
        {"[version]\nColour = red\n", "demo.ini:2: Colour: unknown key"},
        // The config is UTF-8; what the code page cannot hold is named.
        {"[settings]\n\ntitle = \xe6\x97\xa5\n",
         "demo.ini:3: title: character U+65E5 '\xe6\x97\xa5' cannot be written in code page 1252"},
        {"[settings]\ncodepage = 1251\nwelcomeText = a\n  \xc3\xa9\n",
         "demo.ini:3: welcomeText: character U+00E9 '\xc3\xa9' (on line 4) cannot be written in "
         "code page 1251"},
        {"[settings]\ntitle = caf\xe9\n", "demo.ini:2: title: byte 0xE9, which is not UTF-8"},
        {"[settings]\ncodepage = 99999\n", "demo.ini:2: codepage: 99999 is not a code page"},
        {"[settings]\ncodepage = 500\n",
         "demo.ini:2: codepage: 500 is not a code page whose first 128 characters are ASCII"},
        {"[settings]\ncodepage = cyrillic\n", "demo.ini:2: codepage: expected a Windows code page"},
        // Only the defaults the config leaves out are converted, and named.
        {russian,
         "quokka.msi: ProductName: character U+00E9 '\xc3\xa9' cannot be written in code page "
         "1251 (in the default title and cancelQuestion)"}};
    for (auto [text, message] : cases) {
        try {
            ParseForQuokka(text);
            ADD_FAILURE() << "accepted: " << text;
        } catch (const Error& e) {
            EXPECT_THAT(e.what(), ::testing::StartsWith(message));
        }
    }
}

// icon and logo name files relative to the config's directory, and are no
// fields of the settings block.
TEST(Config, PicturesAreNamedRelativeToTheConfig) {
    const std::tuple<const char*, std::filesystem::path Config::*, const char*> cases[] = {
        {"icon", &Config::icon, "product/art/setup.ico"},
        {"logo", &Config::logo, "product/art/setup.ico"},
    };
    for (auto [key, member, expected] : cases) {
        const Config config =
            ReadConfig(std::string("[settings]\n") + key + " = art/setup.ico\ntitle = T\n",
                       "product/demo.ini");
        EXPECT_EQ(config.*member, expected) << key;
        EXPECT_EQ(config.settings.size(), 1u) << key << " left among the block's fields";
        EXPECT_EQ((config.icon.empty() ? 0 : 1) + (config.logo.empty() ? 0 : 1), 1) << key;
    }
}

// The config is UTF-8; codepage picks what the launcher's ANSI texts become.
TEST(Config, CodepageConvertsEveryText) {
    const std::tuple<const char*, const char*, const char*> cases[] = {
        {"1252", "Caf\xc3\xa9 \xe2\x82\xac", "Caf\xe9 \x80"},
        {"1251", "\xd0\x9f\xd1\x80\xd0\xb8", "\xcf\xf0\xe8"},
        {"932", "\xe6\x97\xa5\xe6\x9c\xac", "\x93\xfa\x96\x7b"}};
    for (auto [codepage, utf8, ansi] : cases) {
        const Settings s = Parse(std::string("[settings]\ncodepage = ") + codepage +
                                 "\ntitle = " + utf8 + "\ncancelQuestion = x\n  " + utf8);
        EXPECT_EQ(s.title, ansi) << codepage;
        EXPECT_EQ(s.cancelQuestion, std::string("x\n") + ansi) << codepage;
    }
}

}  // namespace
}  // namespace boxlift
