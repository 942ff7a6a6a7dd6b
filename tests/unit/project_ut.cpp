// Project files: their keys, their errors and their relative paths.
#include <gtest/gtest.h>

#include <fstream>

#include "base/clock.h"
#include "builder/cli_error.h"
#include "builder/project.h"
#include "tests/unit/builder_test_util.h"

namespace rv::builder {
namespace {

TEST(Project, BadProjectsNameTheFileAndTheKey) {
    struct Case {
        const char* body;
        const char* expected;
    } cases[] = {
        {"[compression]\nlevel = \"9\"\n", "'compression.level' must be an integer"},
        {"[compression]\nlevel = 12\n", "'compression.level' must be from 1 to 9"},
        {"[package]\nrecord_length = 1\n", "'package.record_length' must be true or false"},
        {"[packages]\n", "unknown key 'packages' (did you mean 'package'?)"},
        {"codepage = 932\n", "'codepage' must be one of 874, 1250"},
        {"exclude = \"*.pdb\"\n", "'exclude' must be an array of strings"},
        {"[update]\nagent_settings = \"a|b\"\n", "'update.agent_settings' cannot contain '|'"},
        {"[package]\nis_agent = true\n[update]\nprogram = \"U.exe\"\n[setup]\nprogram = \"s.exe\"\n",
         "an agent ('package.is_agent') runs no setup program"},
        {"[update]\ntokn = \"x\"\n", "unknown key 'update.tokn'"},
        {"[setup]\nprogram = \"../evil.exe\"\n", "'setup.program' must be a relative path"},
        {"[setup]\nprogram = \"C:\\\\setup.exe\"\n", "'setup.program' must be a relative path"},
        {"[setup]\nparameters = \"/S\"\n", "missing key 'setup.program'"},
        {"[internet]\nbase_url = \"http://x\"\n", "missing key 'internet.setup_file'"},
        {"languages = \"English.txt\"\n", "'languages' must be an array of strings"},
        {"time_stamp = 2024-06-01T12:00:00Z\n", "'time_stamp' must be a local date-time"},
        {"[package\n", "project.toml:4:"},
        {"[package]\nwrite_agent = true\n", "'package.write_agent' needs 'update.program'"},
        {"[update.original]\nVersionOriginal = 1\n", "'update.original' needs 'update.descriptor'"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nVersion = 1\n",
         "unknown key 'update.original.Version'"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nProbeSecondsInterval = 5\n",
         "missing key 'update.original.VersionOriginal'"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nVersionOriginal = 0\n",
         "'update.original.VersionOriginal' must be from 1 to 2147483647"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nVersionOriginal = 1\nCharSet = \"162\"\n",
         "'update.original.CharSet' must be an integer"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nVersionOriginal = 1\ns16 = \"done\\r\\nDone\"\n",
         "'update.original.s16': a value cannot hold a line break"},
        {"[package]\nis_agent = true\n[update]\nprogram = \"AU.exe\"\ndescriptor = \"P.INFO\"\n"
         "[update.original]\nVersionOriginal = 1\n",
         "neither an internet setup nor an agent extracts"},
    };
    ProjectFolder folder;
    for (const Case& c : cases) {
        const std::string path = folder.WriteProject(c.body);
        const CliError e = Failure([&] { LoadProject(path); });
        EXPECT_EQ(e.code(), kExitInput) << c.body;
        EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << c.body << " gave: " << e.what();
        EXPECT_NE(std::string(e.what()).find(path), std::string::npos) << e.what();
    }
}

TEST(Project, MissingSourceIsAnErrorExceptForAnInternetSetup) {
    ProjectFolder folder;
    const std::string path = folder.Path("p.toml");
    std::ofstream(path) << "stub = \"stub.exe\"\n";
    EXPECT_NE(std::string(Failure([&] { LoadProject(path); }).what()).find("missing key 'source'"), std::string::npos);
    std::ofstream(path, std::ios::app) << "[internet]\nbase_url = \"http://h/\"\nsetup_file = \"S.exe\"\n";
    EXPECT_TRUE(LoadProject(path).sourceDir.empty());
}

TEST(Project, RelativePathsStartAtTheProjectFolder) {
    ProjectFolder folder;
    const Project p =
        LoadProject(folder.WriteProject("languages = [\"lang/English.txt\"]\n"
                                        "time_stamp = 2024-06-01T12:30:00\n"));
    EXPECT_EQ(p.stubPath, folder.Path("stub.exe"));
    EXPECT_EQ(p.sourceDir, folder.Path("src"));
    EXPECT_EQ(p.output, folder.Path("out/Setup.exe"));
    EXPECT_EQ(p.languageFiles.at(0), folder.Path("lang/English.txt"));
    EXPECT_EQ(*p.timeStamp, SecondsSince1899(DateTime{2024, 6, 1, 12, 30, 0}));
}

}  // namespace
}  // namespace rv::builder
