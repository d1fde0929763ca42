// The setup dialog on a display (Xvfb, started by the harness when
// BOXLIFT_E2E_XVFB is set): runs of the real launcher driven with xdotool
// and checked through screenshots taken with ImageMagick's import.
#include <sys/statvfs.h>
#include <zlib.h>

#include <cstring>

#include <fstream>
#include <functional>
#include <future>
#include <iostream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "image/image_identity.h"
#include "wine_harness.h"

namespace boxlift::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// --- Windows on the display ------------------------------------------------

// The ids of the windows xdotool's search finds (its notes on stderr,
// which share the output, start with no digit).
std::vector<std::string> Search(const std::vector<std::string>& criteria) {
    std::vector<std::string> argv = {"xdotool", "search"};
    argv.insert(argv.end(), criteria.begin(), criteria.end());
    std::istringstream lines(RunProcess(argv, WorkRoot(), 30s).output);
    std::vector<std::string> ids;
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && std::isdigit((unsigned char)line[0])) ids.push_back(line);
    return ids;
}

// Titles here hold no regular-expression characters but dots.
std::vector<std::string> FindWindows(const std::string& title) {
    return Search({"--name", "^" + title + "$"});
}

// Waits until exactly count windows carry title; returns the newest one's id
// (xdotool lists windows in creation order) once it can take keys, "none"
// for a count of 0, or "" after the timeout.
std::string WaitForWindows(const std::string& title, std::size_t count,
                           Clock::duration timeout = 60s) {
    for (const auto end = Clock::now() + timeout; Clock::now() < end;
         std::this_thread::sleep_for(100ms)) {
        const std::vector<std::string> ids = FindWindows(title);
        if (ids.size() != count) continue;
        if (count == 0) return "none";
        // A window that has just been mapped may not take keys yet.
        std::this_thread::sleep_for(700ms);
        return ids.back();
    }
    return "";
}

void PressKeys(const std::string& window, std::vector<std::string> keys) {
    std::vector<std::string> argv = {"xdotool", "windowfocus", window, "sleep", "0.2", "key"};
    argv.insert(argv.end(), keys.begin(), keys.end());
    RunProcess(argv, WorkRoot(), 30s);
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
    bool Dark() const { return r + g + b < 300; }
};

struct Screenshot {
    int width = 0, height = 0;
    Bytes rgb;
    Rgb At(int x, int y) const {
        const std::size_t at = ((std::size_t)y * width + x) * 3;
        return {rgb[at], rgb[at + 1], rgb[at + 2]};
    }
    bool SameArea(const Screenshot& other, int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (!(At(x, y) == other.At(x, y))) return false;
        return true;
    }
    bool AnyDark(int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (At(x, y).Dark()) return true;
        return false;
    }
};

// The window's client area as binary PPM (P6, maximum 255).
Screenshot Capture(const std::string& window, const fs::path& file) {
    RunResult shot =
        RunProcess({"import", "-window", window, "-depth", "8", file.string()}, WorkRoot(), 30s);
    const Bytes data = ReadFileBytes(file);
    std::istringstream header(
        std::string(data.begin(), data.begin() + std::min<std::size_t>(data.size(), 64)));
    std::string magic;
    Screenshot image;
    int maximum = 0;
    header >> magic >> image.width >> image.height >> maximum;
    const std::size_t start = (std::size_t)header.tellg() + 1;
    if (magic != "P6" || maximum != 255 ||
        data.size() != start + (std::size_t)image.width * image.height * 3)
        throw std::runtime_error("no screenshot of " + window + ": " + shot.output);
    image.rgb.assign(data.begin() + (std::ptrdiff_t)start, data.end());
    return image;
}

// The painted picture, in client pixels: logo at the top left, a white
// panel to x 500 and y 314 with a black line at y 312, the heading and body
// texts inside their rectangles and nowhere else on the panel.
::testing::AssertionResult HasLayout(const Screenshot& s, bool progressMode) {
    const Rgb white{255, 255, 255}, black{0, 0, 0};
    auto fail = [&](const std::string& what) { return ::testing::AssertionFailure() << what; };
    if (s.width < 500 || s.height < 330) return fail("window too small");
    const Rgb logo = s.At(4, 4);
    if (!(logo.b >= 128 && logo.r < 64)) return fail("no blue logo at the top left");
    if (s.At(100, 312) == black) return fail("the line shows through the logo");
    for (auto [x, y] : {std::pair{170, 5}, {495, 5}, {495, 300}, {170, 305}, {300, 313}})
        if (!(s.At(x, y) == white))
            return fail("panel not white at " + std::to_string(x) + "," + std::to_string(y));
    for (int x : {161, 300, 499})
        if (!(s.At(x, 312) == black)) return fail("no line at x " + std::to_string(x));
    if (s.At(300, 314) == white || s.At(520, 100) == white) return fail("white beyond the panel");
    if (!s.AnyDark(180, 22, 470, 85)) return fail("no heading");
    if (!s.AnyDark(180, 90, 470, 180)) return fail("no body text");
    // Outside the two rectangles (and the progress bar, which lies on the
    // panel in progress mode) the panel holds nothing dark.
    const int barTop = progressMode ? 200 : 312;
    if (s.AnyDark(162, 0, 500, 22) || s.AnyDark(162, 0, 180, 312) ||
        s.AnyDark(470, 0, 500, barTop) || s.AnyDark(162, 180, 500, barTop) ||
        (progressMode && s.AnyDark(162, 260, 500, 312)))
        return fail("dark pixels outside the text rectangles");
    return ::testing::AssertionSuccess();
}

// Pixels of the progress bar's middle row (x 212 to 549) that differ from
// its background, the launcher's RGB(230, 230, 230): grows with the bar's
// position, to kFullBar and more when it is full.
const int kFullBar = 330;

int BarFill(const Screenshot& s) {
    const int y = 230;
    const Rgb empty{230, 230, 230};
    int filled = 0;
    for (int x = 212; x < 550; ++x) filled += !(s.At(x, y) == empty);
    return filled;
}

// Visible windows other than the root (which xdotool lists at depth 0).
std::size_t VisibleWindows() {
    return Search({"--onlyvisible", ".*"}).size() - Search({"--maxdepth", "0", ".*"}).size();
}

// --- The logo inside the launcher --------------------------------------------

// Offset of the logo resource in a launcher image: its size field, then a
// zlib stream that inflates to exactly that many bytes of a bitmap file.
std::size_t FindLogo(const Bytes& image) {
    for (std::size_t at = 0; at + 6 < image.size(); ++at) {
        if (image[at + 4] != 0x78) continue;
        std::uint32_t size;
        std::memcpy(&size, &image[at], 4);
        if (size < 2 || size > 1048576) continue;
        Bytes out(size);
        uLongf length = size;
        uLong used = image.size() - at - 4;
        if (uncompress2(out.data(), &length, &image[at + 4], &used) == Z_OK && length == size &&
            out[0] == 'B' && out[1] == 'M')
            return at;
    }
    throw std::runtime_error("no logo resource in the launcher");
}

// setup.exe bytes whose launcher has its logo damaged by patch.
Bytes WithDamagedLogo(Bytes setup, const std::function<void(Bytes&, std::size_t)>& patch) {
    patch(setup, FindLogo(setup));
    return setup;
}

void SetLogoSize(Bytes& image, std::size_t logo, std::uint32_t size) {
    std::memcpy(&image[logo], &size, 4);
}

// Renames the resource type LOGO (a counted UTF-16 name in the resource
// directory) to LOGX, so that the loader finds no logo.
void HideLogo(Bytes& image, std::size_t) {
    const std::uint8_t name[] = {4, 0, 'L', 0, 'O', 0, 'G', 0, 'O', 0};
    auto at = std::search(image.begin(), image.end(), std::begin(name), std::end(name));
    if (at == image.end()) throw std::runtime_error("no LOGO type name");
    at[8] = 'X';
}

// --- Runs ------------------------------------------------------------------

std::future<RunResult> Start(const fs::path& program, const fs::path& dir,
                             std::vector<std::string> args = {}) {
    return std::async(std::launch::async, [=] { return RunWindowsProgram(program, args, dir); });
}

// A run under a Russian locale, in which Wine's ANSI code page is 1251.
// The locale is compiled once into the build directory.
std::future<RunResult> StartRussian(const fs::path& program, const fs::path& dir) {
    const fs::path locale = fs::path(BOXLIFT_E2E_BUILD_DIR) / "locale" / "ru_RU.UTF-8";
    fs::create_directories(locale.parent_path());
    if (!fs::exists(locale / "LC_CTYPE"))
        RunProcess({"localedef", "-i", "ru_RU", "-f", "UTF-8", locale.string()}, WorkRoot());
    if (!fs::exists(locale / "LC_CTYPE"))
        throw std::runtime_error("localedef made no ru_RU locale");
    return std::async(std::launch::async, [=] {
        return RunProcess({"env", "LOCPATH=" + locale.parent_path().string(), "LC_ALL=ru_RU.UTF-8",
                           BOXLIFT_WINE, program.string()},
                          dir);
    });
}

::testing::AssertionResult EndsWithCode1(std::future<RunResult>& run,
                                         Clock::duration timeout = 120s) {
    if (run.wait_for(timeout) != std::future_status::ready)
        return ::testing::AssertionFailure() << "the run did not end";
    RunResult result = run.get();
    if (result.exitCode != 1)
        return ::testing::AssertionFailure()
               << "exit code " << result.exitCode << ": " << result.output;
    return ::testing::AssertionSuccess();
}

// The probe package padded (the database ignores what follows its sectors)
// to kSlowPackageSize bytes, in records of one byte each, declaring 90,000
// records: the bar moves by one thousandth of a percent per record up to
// 100 within the first half second or so, then stays full while the other
// 1.9 million records are written, for seconds: long enough to be watched,
// questioned and cancelled, also on a fast machine.
const std::size_t kSlowPackageSize = 2000000;

const Bytes& SlowStream() {
    static const Bytes stream = [] {
        Bytes package = ProbePackage();
        package.resize(kSlowPackageSize, 0);
        Bytes out;
        AppendChunkCount(out, 90000);
        for (std::uint8_t byte : package) AppendStoredRecord(out, ByteView(&byte, 1));
        AppendEndRecord(out);
        return out;
    }();
    return stream;
}

// The probe package followed by zeros up to size (a multiple of 64 KiB):
// quick to build, as every record of zeros is the same.
Bytes LargeStream(std::size_t size) {
    Bytes package = ProbePackage();
    package.resize((package.size() + 65535) / 65536 * 65536, 0);
    PieceCompressor compressor(kDefaultLevel);
    Bytes out;
    AppendChunkCount(out, std::uint32_t(size / 65536));
    for (std::size_t at = 0; at < package.size(); at += 65536)
        for (std::uint8_t byte : compressor.Record(ByteView(package).subspan(at, 65536)))
            out.push_back(byte);
    const Bytes zeros = compressor.Record(Bytes(65536, 0));
    for (std::size_t at = package.size(); at < size; at += 65536)
        out.insert(out.end(), zeros.begin(), zeros.end());
    AppendEndRecord(out);
    return out;
}

Settings DialogSettings() {
    Settings s = ProbeSettings("2.0");
    s.showProgress = true;
    s.dialogHeading = "Installing the probe";
    s.progressText = "Please wait while the package is unpacked.";
    s.cancelCaption = "Cancel";
    s.cancelQuestion = "Cancel the installation?";
    return s;
}

Settings WelcomeDialogSettings() {
    Settings s = DialogSettings();
    s.showWelcome = s.welcomeAsDialog = true;
    s.exitCaption = "E&xit";
    s.continueCaption = "&Continue";
    while (s.welcomeText.size() < 4000) s.welcomeText += "Welcome to the probe's setup. ";
    return s;
}

class GuiDialog : public InstallTest {
protected:
    fs::path Shot(const std::string& name) { return dir_ / (name + ".ppm"); }
};

// The vendor's pixels at the top left, unscaled, and the white panel and
// its line where the banner does not reach.
::testing::AssertionResult HasVendorLogo(const Screenshot& s, Rgb colour, int width, int height) {
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (!(s.At(x, y) == colour))
                return ::testing::AssertionFailure()
                       << "not the logo's colour at " << x << "," << y;
    const Rgb white{255, 255, 255};
    if (!(s.At(width, 0) == white) || !(s.At(0, height) == white) ||
        !(s.At(width + 5, height + 5) == white))
        return ::testing::AssertionFailure() << "the logo is drawn larger than it is";
    if (!(s.At(20, 312) == Rgb{0, 0, 0})) return ::testing::AssertionFailure() << "no line";
    return ::testing::AssertionSuccess();
}

// Exit, Esc and the close box (Alt+F4 is what the close box sends) end the
// run with nothing extracted; the first run's screenshot is checked against
// the layout, and a setup with a vendor's logo shows that logo. Then
// Continue goes on to the installation.
TEST_F(GuiDialog, WelcomeExitsOrContinuesToInstall) {
    const fs::path setup = WriteSetup(BuildPayload(WelcomeDialogSettings(), ProbePackage()));
    bool first = true;
    for (const std::vector<std::string>& keys :
         {std::vector<std::string>{"space"}, {"Escape"}, {"alt+F4"}}) {
        auto run = Start(setup, dir_);
        const std::string window = WaitForWindows(kTitle, 1);
        ASSERT_NE(window, "") << "no window captioned with the title";
        if (first) {
            EXPECT_TRUE(HasLayout(Capture(window, Shot("welcome")), false));
            first = false;
        }
        PressKeys(window, keys);
        EXPECT_TRUE(EndsWithCode1(run, 30s)) << keys[0];
        EXPECT_TRUE(NoTempPackages(UserTemp()));
    }
    EXPECT_FALSE(ProductInstalled());

    ASSERT_EQ(RunProcess({"convert", "-size", "40x30", "xc:#C03080", "vendor.png"}, dir_).exitCode,
              0);
    const Bytes branded = ApplyIdentity(ReadFileBytes(LauncherPath()), VersionInfo{},
                                        {.icon = {}, .logo = dir_ / "vendor.png"});
    auto vendor =
        Start(WriteSetup(BuildPayloadFile(branded, WelcomeDialogSettings(), ProbePackage()),
                         "vendor.exe"),
              dir_);
    const std::string window = WaitForWindows(kTitle, 1);
    ASSERT_NE(window, "");
    EXPECT_TRUE(HasVendorLogo(Capture(window, Shot("vendor")), {0xC0, 0x30, 0x80}, 40, 30));
    PressKeys(window, {"Escape"});
    EXPECT_TRUE(EndsWithCode1(vendor, 30s));

    auto run = Start(setup, dir_);
    PressKeys(WaitForWindows(kTitle, 1), {"Tab", "space"});  // Continue
    EXPECT_TRUE(EndsWithCode1(run));
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
    EXPECT_FALSE(fs::exists(dir_ / "error.log"));
}

// The progress dialog: layout, a moving bar, Cancel then No goes on; a
// cancel question still open when the installer comes up is closed with
// the dialog, and the product is installed.
TEST_F(GuiDialog, ProgressCancelNoGoesOnAndClosesWhenInstallerComesUp) {
    const fs::path setup = WriteSetup(AssemblePayload(DialogSettings(), SlowStream()));
    auto run = Start(setup, dir_);
    const std::string dialog = WaitForWindows(kTitle, 1);
    ASSERT_NE(dialog, "");
    const Screenshot before = Capture(dialog, Shot("progress"));
    EXPECT_TRUE(HasLayout(before, true));
    // Continue (x 371 to 458, y 323 to 345) is hidden: plain dialog face.
    EXPECT_FALSE(before.AnyDark(371, 323, 458, 345)) << "Continue is visible";
    // The bar fills, while the extraction goes on.
    int fill = BarFill(before);
    for (const auto end = Clock::now() + 10s; Clock::now() < end && fill < kFullBar;)
        fill = BarFill(Capture(dialog, Shot("later")));
    EXPECT_GE(fill, kFullBar) << "the bar did not fill";

    PressKeys(dialog, {"Escape"});
    ASSERT_NE(WaitForWindows(kTitle, 2), "") << "no cancel question";
    PressKeys(FindWindows(kTitle).back(), {"n"});
    EXPECT_NE(WaitForWindows(kTitle, 1, 10s), "") << "the question stayed";

    PressKeys(dialog, {"Escape"});  // and leave this question open
    ASSERT_NE(WaitForWindows(kTitle, 2), "");
    EXPECT_NE(WaitForWindows(kTitle, 0, 120s), "") << "dialog and question stayed";
    EXPECT_TRUE(EndsWithCode1(run));
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

// The welcome question: No ends the run; Yes goes on, and Cancel then Yes
// stops the extraction while it runs, silently and leaving nothing behind.
TEST_F(GuiDialog, WelcomeQuestionThenCancelYesStopsMidway) {
    Settings settings = DialogSettings();
    settings.showWelcome = true;
    settings.welcomeText = "Install the probe?";
    const fs::path setup = WriteSetup(AssemblePayload(settings, SlowStream()));

    auto refused = Start(setup, dir_);
    PressKeys(WaitForWindows(kTitle, 1), {"n"});
    EXPECT_TRUE(EndsWithCode1(refused, 30s));
    EXPECT_TRUE(NoTempPackages(UserTemp()));

    auto run = Start(setup, dir_);
    const std::string question = WaitForWindows(kTitle, 1);
    PressKeys(question, {"y"});
    std::string dialog;
    for (const auto end = Clock::now() + 60s; Clock::now() < end && dialog.empty();)
        if (std::vector<std::string> ids = FindWindows(kTitle);
            ids.size() == 1 && ids[0] != question)
            dialog = ids[0];
    ASSERT_NE(dialog, "") << "no progress dialog after Yes";
    std::this_thread::sleep_for(1s);
    PressKeys(dialog, {"Escape"});
    ASSERT_NE(WaitForWindows(kTitle, 2), "");
    std::uintmax_t partial = 0;
    for (const std::string& name : ListDir(UserTemp()))
        if (name.rfind("qz", 0) == 0) partial = fs::file_size(UserTemp() / name);
    PressKeys(FindWindows(kTitle).back(), {"y"});
    // An error message would wait for a click and keep the run going.
    EXPECT_TRUE(EndsWithCode1(run, 30s));
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, kSlowPackageSize) << "the extraction had ended before the cancel";
    EXPECT_TRUE(NoTempPackages(UserTemp()));
    EXPECT_FALSE(ProductInstalled());
}

// A Yes given once the package is complete, while it is read back for the
// installer, still cancels: nothing is installed and the package is gone.
// The package is large, so that reading it back takes a while.
TEST_F(GuiDialog, CancelYesAfterThePackageIsWrittenStillCancels) {
    const std::size_t size = std::size_t(384) << 20;
    auto run = Start(WriteSetup(AssemblePayload(DialogSettings(), LargeStream(size))), dir_);
    PressKeys(WaitForWindows(kTitle, 1), {"Escape"});
    ASSERT_NE(WaitForWindows(kTitle, 2), "") << "no cancel question";
    const std::string question = FindWindows(kTitle).back();
    auto complete = [&] {
        for (const std::string& name : ListDir(UserTemp()))
            if (name.rfind("qz", 0) == 0 && fs::file_size(UserTemp() / name) == size) return true;
        return false;
    };
    for (const auto end = Clock::now() + 120s; Clock::now() < end && !complete();)
        std::this_thread::sleep_for(5ms);
    const auto written = Clock::now();
    PressKeys(question, {"y"});
    std::cout
        << "[ yes      ] "
        << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - written).count()
        << " ms after the package was complete" << std::endl;
    EXPECT_TRUE(EndsWithCode1(run));
    std::cout
        << "[ ended    ] "
        << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - written).count()
        << " ms after" << std::endl;
    EXPECT_FALSE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));
}

// The heading and body fonts take the system's character set: the same
// Cyrillic bytes (code page 1251) draw as other letters under a Russian
// locale than under the Western one, while ASCII draws alike in both.
TEST_F(GuiDialog, TextsDrawInTheSystemsCodePage) {
    Settings settings = WelcomeDialogSettings();
    settings.dialogHeading = "\xcf\xee\xe4\xe3\xee\xf2\xee\xe2\xea\xe0";  // Podgotovka
    settings.welcomeText = "Welcome to the probe's setup.";
    const fs::path setup = WriteSetup(BuildPayload(settings, ProbePackage()));
    std::vector<Screenshot> shots;
    for (bool russian : {false, true}) {
        auto run = russian ? StartRussian(setup, dir_) : Start(setup, dir_);
        const std::string window = WaitForWindows(kTitle, 1);
        ASSERT_NE(window, "");
        shots.push_back(Capture(window, Shot(russian ? "russian" : "western")));
        PressKeys(window, {"Escape"});
        EXPECT_TRUE(EndsWithCode1(run, 30s));
    }
    EXPECT_TRUE(shots[0].SameArea(shots[1], 180, 90, 470, 180)) << "the ASCII body differs";
    EXPECT_FALSE(shots[0].SameArea(shots[1], 180, 22, 470, 85))
        << "the heading is drawn in the Western code page";
}

// /passive: no welcome, the progress dialog, and a Cancel that asks
// nothing. The Unix exit status of wine keeps the code's low byte.
TEST_F(GuiDialog, PassiveShowsTheProgressOnlyAndCancelsAtOnce) {
    const Settings settings = WelcomeDialogSettings();
    auto cancelled =
        Start(WriteSetup(AssemblePayload(settings, SlowStream()), "slow.exe"), dir_, {"/passive"});
    const std::string dialog = WaitForWindows(kTitle, 1);
    ASSERT_NE(dialog, "");
    std::this_thread::sleep_for(1s);
    EXPECT_GT(BarFill(Capture(dialog, Shot("passive"))), 0) << "not the progress dialog";
    PressKeys(dialog, {"Escape"});
    ASSERT_EQ(cancelled.wait_for(30s), std::future_status::ready) << "Cancel asked a question";
    EXPECT_EQ(cancelled.get().exitCode, 1602 & 0xFF);
    EXPECT_TRUE(NoTempPackages(UserTemp()));

    auto installed = Start(WriteSetup(BuildPayload(settings, ProbePackage())), dir_, {"/passive"});
    ASSERT_EQ(installed.wait_for(120s), std::future_status::ready);
    EXPECT_EQ(installed.get().exitCode, 0);
    EXPECT_TRUE(ProductInstalled());
    EXPECT_TRUE(NoTempPackages(UserTemp()));

    for (const char* tail : {"/?", "/x"}) {  // the usage box, exit 0; the about box, exit 1
        auto box = Start(LauncherPath(), dir_, {tail});
        PressKeys(WaitForWindows("Tarvix Software", 1), {"Return"});
        ASSERT_EQ(box.wait_for(30s), std::future_status::ready) << tail;
        EXPECT_EQ(box.get().exitCode, tail[1] == '?' ? 0 : 1) << tail;
    }
}

// A missing logo, a size field of 0 or 1,048,577, or a stream that
// inflates to another length: an error message instead of any dialog, and
// nothing extracted. With neither welcome nor progress the same damage goes
// unnoticed, and a quiet run shows no window of any kind.
TEST_F(GuiDialog, DamagedLogoStopsOnlyRunsThatShowTheDialog) {
    const Bytes setup = BuildPayload(WelcomeDialogSettings(), ProbePackage());
    const std::uint32_t size = [&] {
        std::uint32_t value;
        std::memcpy(&value, &setup[FindLogo(setup)], 4);
        return value;
    }();
    const std::vector<std::pair<std::string, std::function<void(Bytes&, std::size_t)>>> damages = {
        {"missing", HideLogo},
        {"size 0", [](Bytes& b, std::size_t at) { SetLogoSize(b, at, 0); }},
        {"size 1048577", [](Bytes& b, std::size_t at) { SetLogoSize(b, at, 1048577); }},
        {"inflates to another length",
         [=](Bytes& b, std::size_t at) { SetLogoSize(b, at, size + 1); }},
    };
    for (const auto& [what, damage] : damages) {
        auto run = Start(WriteSetup(WithDamagedLogo(setup, damage)), dir_);
        const std::string box = WaitForWindows(kTitle, 1);
        ASSERT_NE(box, "") << what;
        const Screenshot shot = Capture(box, Shot("error"));
        EXPECT_FALSE(shot.width == 574 && shot.height == 358) << what << ": the dialog was shown";
        PressKeys(box, {"Return"});
        EXPECT_TRUE(EndsWithCode1(run, 30s)) << what;
        EXPECT_TRUE(NoTempPackages(UserTemp()));
    }

    const Bytes unnoticed = BuildPayload(ProbeSettings("2.0"), ProbePackage());
    auto plain = Start(WriteSetup(WithDamagedLogo(unnoticed, HideLogo)), dir_);
    EXPECT_TRUE(EndsWithCode1(plain));
    EXPECT_TRUE(ProductInstalled()) << "a logo that is never shown stopped the run";
    Uninstall();

    const std::size_t before = VisibleWindows();
    auto quiet = Start(WriteSetup(WithDamagedLogo(setup, HideLogo)), dir_, {"/q"});
    std::size_t most = before;
    while (quiet.wait_for(50ms) != std::future_status::ready)
        most = std::max(most, VisibleWindows());
    EXPECT_EQ(quiet.get().exitCode, 1);
    EXPECT_EQ(most, before) << "a quiet run showed a window";
    EXPECT_TRUE(ProductInstalled());
}

// The disk-space question with a real shortfall (a small tmpfs as the
// temporary drive): Retry after space was freed goes on without another
// question; Ignore extracts anyway. Both end installed.
TEST_F(GuiDialog, DiskSpaceRetryAfterFreeingAndIgnore) {
    const fs::path drive = dir_ / "small-drive";
    if (!MountSmallDrive(drive, 2))
        GTEST_SKIP() << "cannot mount a tmpfs here: " << strerror(errno);
    const fs::path setup = WriteSetup(BuildPayload(ProbeSettings("2.0"), ProbePackage()));
    // Leave room for the package but not for the executable.
    const fs::path filler = drive / "filler";
    struct statvfs info;
    statvfs(drive.c_str(), &info);
    const std::uintmax_t room = ProbePackage().size() + 12 * 1024;
    std::ofstream(filler, std::ios::binary)
        << std::string(info.f_bavail * info.f_frsize - room, 'x');
    statvfs(drive.c_str(), &info);
    ASSERT_GT(info.f_bavail * info.f_frsize, ProbePackage().size());
    ASSERT_LT(info.f_bavail * info.f_frsize, fs::file_size(setup));

    for (const char* answer : {"i", "r"}) {
        auto run =
            std::async(std::launch::async, [&] { return RunWithTemp(dir_, "T:\\tmp", setup, ""); });
        const std::string question = WaitForWindows(kTitle, 1);
        ASSERT_NE(question, "") << answer;
        if (answer == std::string("r")) fs::remove(filler);
        PressKeys(question, {answer});
        ASSERT_TRUE(run.wait_for(120s) == std::future_status::ready) << answer << ": asked again";
        EXPECT_EQ(run.get().exitCode, 1);
        EXPECT_TRUE(ProductInstalled()) << answer;
        EXPECT_TRUE(NoTempPackages(drive / "tmp"));
        Uninstall();
    }
    UnmountSmallDrive(drive);
}

// Yes on the engine question opens the download target through the shell:
// a local text file, which opens in Notepad (a fresh prefix associates .ini
// files with Notepad, not .txt files).
TEST_F(GuiDialog, EngineQuestionYesOpensTheDownloadTarget) {
    std::ofstream(dir_ / "engine-download.ini") << "Get Windows Installer 9.0.\r\n";
    Settings settings = ProbeSettings("9.0");
    settings.engineDownloadTarget = ToWindowsPath(dir_ / "engine-download.ini");
    auto run = Start(WriteSetup(BuildPayload(settings, ProbePackage())), dir_);
    PressKeys(WaitForWindows(kTitle, 1), {"y"});
    EXPECT_TRUE(EndsWithCode1(run, 30s));
    const std::string notepad = WaitForWindows("engine-download.ini - Notepad", 1, 30s);
    ASSERT_NE(notepad, "") << "the text file was not opened";
    PressKeys(notepad, {"alt+F4"});
    EXPECT_NE(WaitForWindows("engine-download.ini - Notepad", 0, 30s), "");
    EXPECT_FALSE(ProductInstalled());
}

}  // namespace
}  // namespace boxlift::e2e
