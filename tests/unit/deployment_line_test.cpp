#include <gtest/gtest.h>

#include <string>

#include "memory_hook.h"
#include "startup/deployment_line.h"

namespace {

struct Case {
    std::string tail;
    bool legal;
    int ui;
    std::string arguments;  // for a legal tail; none when it is too long
};

// The folder of setup.exe, against which TRANSFORMS paths are made absolute.
const char kSetupDir[] = "C:\\Dist\\";

TEST(DeploymentLine, TailsGiveTheirMsiexecArguments) {
    // The longest property that fits: " A=\"" + value + "\"".
    const std::string longValue(kMaxInstallerArguments - 5, 'v');
    const Case cases[] = {
        {"/quiet", true, kUiQuiet, " /qn"},
        {"-QN /NoRestart", true, kUiQuiet, " /qn /norestart"},
        {"/passive /log \"C:\\my logs\\x.log\" /norestart", true, kUiPassive,
         " /passive /norestart /l*v+ \"C:\\my logs\\x.log\""},
        {"\t/qb\tA=1  ", true, kUiPassive, " /passive A=\"1\""},
        {"MYPROP=\"a b \"\"c\"\"\" B=2", true, kUiFull, " MYPROP=\"a b \"\"c\"\"\" B=\"2\""},
        {"EMPTY=\"\" E= x.y_Z=1", true, kUiFull, " EMPTY=\"\" E=\"\" x.y_Z=\"1\""},
        {"TRANSFORMS=a.mst;:emb;@b.mst;|c.mst;D:\\abs.mst;\\\\srv\\d.mst;/u.mst", true, kUiFull,
         " TRANSFORMS=\"C:\\Dist\\a.mst;:emb;@C:\\Dist\\b.mst;|C:\\Dist\\c.mst;D:\\abs.mst;"
         "\\\\srv\\d.mst;/u.mst\""},
        {"transforms=\"sub dir\\x.mst;\"", true, kUiFull,
         " transforms=\"C:\\Dist\\sub dir\\x.mst;\""},
        {"/? /norestart", true, kUiFull, " /norestart"},
        {"A=" + longValue, true, kUiFull, " A=\"" + longValue + "\""},
        {"A=" + longValue + "v", true, kUiFull, ""},  // one character over
        {"/quiet /passive", false, kUiQuiet, ""},
        {"/quiet /x", false, kUiQuiet, ""},
        {"/passive x", false, kUiPassive, ""},
        {"/x", false, kUiFull, ""},
        {"/quietx", false, kUiFull, ""},
        {"/", false, kUiFull, ""},
        {"1A=b", false, kUiFull, ""},
        {"A=b\"c\"", false, kUiFull, ""},
        {"A=\"b", false, kUiFull, ""},
        {"A=\"x\"y", false, kUiFull, ""},
        {"A=\"x\"y\"\"", false, kUiFull, ""},
        {"/log", false, kUiFull, ""},
        {"/log \"\"", false, kUiFull, ""},
        {"/log a.log /log b.log", false, kUiFull, ""},
    };
    for (const Case& c : cases) {
        const std::string name = c.tail.substr(0, 60);
        DeploymentLine line;
        EXPECT_EQ(ParseDeploymentLine(c.tail.c_str(), &line), c.legal) << name;
        EXPECT_EQ(line.ui, c.ui) << name;
        if (c.legal) {
            char* arguments =
                BuildInstallerArguments(&line, c.tail.c_str(), line.logPath, kSetupDir);
            const std::string built = arguments ? arguments : "";
            EXPECT_TRUE(built == c.arguments) << name << "\n gave " << built.substr(0, 200);
            FreeBytes(arguments);
        }
        ReleaseDeploymentLine(&line);
    }
}

}  // namespace
