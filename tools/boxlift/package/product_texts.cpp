#include "package/product_texts.h"

#include "base/error.h"
#include "package/config.h"
#include "platform/codepage.h"

namespace boxlift {

Settings ProductSettings(const ProductInfo& product, unsigned codepage, const std::string& source) {
    auto convert = [&](const std::string& text, const char* property) {
        try {
            return ToCodepage(text, codepage);
        } catch (Error& e) {
            e.SetFileIfUnset(source);
            e.SetSubjectIfUnset(property);
            throw;
        }
    };
    const std::string name = convert(product.name, "ProductName");
    const std::string version = convert(product.version, "ProductVersion");
    const std::string vendor = convert(product.manufacturer, "Manufacturer");
    Settings s = DefaultSettings();
    s.title = name + " Setup";
    s.errorText = "Setup could not install " + name +
                  ".\nPlease try again, or ask your "
                  "administrator for help.";
    s.showWelcome = true;
    s.exitCaption = "E&xit";
    s.continueCaption = "&Continue";
    s.welcomeText = "This will install " + name + " " + version + " from " + vendor +
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

}  // namespace boxlift
