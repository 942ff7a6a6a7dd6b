// Whole builds, read back through the inspecting commands and the package
// reader.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/numbers.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/examine.h"
#include "builder/project.h"
#include "builder/time_stamp.h"
#include "format/descriptors.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/std_file.h"
#include "tests/unit/builder_test_util.h"
#include "tests/unit/stored_name_cases.h"
#include "tests/unit/test_util.h"

namespace rv::builder {
namespace {

void ExpectSameFiles(const std::string& sourceDir, const std::string& extracted) {
    size_t count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(sourceDir)) {
        if (!entry.is_regular_file()) continue;
        const fs::path other = fs::path(extracted) / entry.path().lexically_relative(sourceDir);
        ASSERT_TRUE(fs::exists(other)) << other;
        EXPECT_EQ(Contents(entry.path().string()), Contents(other.string())) << other;
        EXPECT_EQ(TimeFromDosFileTime(DosFileTime(ModificationTime(entry.path()))), ModificationTime(other)) << other;
        ++count;
    }
    EXPECT_EQ(count, 4u);
}

TEST(Build, RoundTripsThroughExtract) {
    struct Case {
        const char* what;
        const char* project;
        size_t volumes;
        uint8_t blockCount;
    } cases[] = {
        {"plain", "[setup]\nprogram = \"setup.exe\"\nparameters = \"/S /X\"\n", 1, 2},
        {"stored", "[compression]\nstore = true\n", 1, 2},
        {"spanned", "[package]\nvolume_size = 1000000\n[compression]\nlevel = 1\n", 3, 2},
        {"internet", "[internet]\nbase_url = \"http://example.com/dl\"\nsetup_file = \"Full.exe\"\ntoken = \"T1\"\n", 1,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProjectFolder folder;
        AddPayload(folder);
        const BuildSummary summary = folder.Build(c.project);
        ASSERT_EQ(summary.volumes.size(), c.volumes);
        ExtractPackage(summary.volumes[0], folder.Path("x"));
        ExpectSameFiles(folder.Path("src"), folder.Path("x"));

        const test::ExtractedPackage independent = test::ReadPackage(summary.volumes[0]);
        EXPECT_TRUE(independent.allChecksumsPass);
        EXPECT_EQ(independent.volumes, static_cast<int>(c.volumes));
        EXPECT_EQ(independent.files.at("docs\\readme.txt"), std::string(3000000, 'r'));

        const PackageContents settings = ReadSettings(summary.volumes[0]);
        EXPECT_EQ(settings.volumes[0].trailer.blockCount, c.blockCount);
        EXPECT_EQ(settings.volumes[0].trailer.recordCount, 4 + c.volumes - 1);
        EXPECT_EQ(settings.volumes[0].trailer.requiredSpace[0], 3000000u + 2500000u + 17u);
    }
}

TEST(Build, AgentIsAStubWithSettingsUnderItsProgramName) {
    ProjectFolder folder;
    fs::create_directories(folder.Path("src"));
    const BuildSummary s = folder.Build(
        "[package]\nis_agent = true\nrecord_length = false\n"
        "[update]\nprogram = \"Upd.exe\"\ntoken = \"secret\"\nbackground = true\n",
        folder.Path("out/upd.EXE"));
    StdFileSource src(s.volumes[0]);
    const PackageReader r(src);
    EXPECT_TRUE(r.trailer().isAgent);
    EXPECT_EQ(r.trailer().recordCount, 0u);
    EXPECT_EQ(r.UpdateItem(3, true), "secret");
}

TEST(Build, FullSetupCarriesTheInternetBlockWithoutTheFlag) {
    ProjectFolder folder;
    folder.AddSource("setup.exe", "x");
    const BuildSummary s = folder.Build(
        "[setup]\nprogram = \"setup.exe\"\n[internet]\nbase_url = \"http://dl\"\nsetup_file = \"S.exe\"\n"
        "token = \"net\"\nconfirm_download = true\nfull_setup = true\n");
    StdFileSource src(s.volumes[0]);
    const PackageReader r(src);
    EXPECT_FALSE(r.trailer().internetSetup);
    EXPECT_FALSE(r.trailer().confirmDownload);
    EXPECT_EQ(r.InternetItem(3, true), "net");
    EXPECT_EQ(r.trailer().recordCount, 1u);
}

TEST(Build, BlocksAndFlagsCarryTheProjectSettings) {
    ProjectFolder folder;
    folder.AddSource("setup.exe", "x");
    const BuildSummary s = folder.Build(
        "[package]\ntemp_drive_notice = true\nactivity_bar = true\ndebug_trace = true\nspanned_over_disks = true\n"
        "[update]\nagent_settings = \"http://upd/\"\ndescriptor = \"P.INFO\"\nprogram = \"AU.exe\"\n"
        "token = \"tok\"\nbackground = true\n"
        "[internet]\nbase_url = \"http://dl/\"\nsetup_file = \"S.exe\"\nalways_download = true\ntoken = \"net\"\n"
        "size = 5242880\nconfirm_download = true\n");
    StdFileSource src(s.volumes[0]);
    const PackageReader r(src);
    EXPECT_EQ(r.trailer().flags,
              kFlagAlwaysShowTempNotice | kFlagShowActivityBar | kFlagDebugTrace | kFlagSpannedOverDisks | kFlagSealed);
    EXPECT_TRUE(r.trailer().internetSetup && r.trailer().confirmDownload);
    EXPECT_TRUE(r.layout().hasRecordedLength);
    EXPECT_EQ(r.UpdateItem(0), "http://upd/");
    EXPECT_EQ(r.DescriptorName(), "P.original");
    EXPECT_EQ(r.UpdateItem(2), "AU.exe");
    EXPECT_NE(r.UpdateItem(3), "tok") << "the token is stored scrambled";
    EXPECT_EQ(r.UpdateItem(3, true), "tok");
    EXPECT_EQ(r.UpdateItem(4), "1");
    EXPECT_EQ(r.InternetItem(1), "S.exe");
    EXPECT_EQ(r.InternetItem(2), "1");
    EXPECT_EQ(r.InternetItem(3, true), "net");
    EXPECT_EQ(r.InternetItem(4), "5242880");
    EXPECT_EQ(r.trailer().timeStamp, BuildTimeStamp(std::nullopt, std::nullopt, 1700000000));
}

TEST(Build, SameInputsGiveTheSameBytesOnAnyThreadCount) {
    ProjectFolder folder;
    AddPayload(folder);
    const std::string project = folder.WriteProject("[update]\ntoken = \"t\"\n[package]\nvolume_size = 2000000\n");
    BuildOptions o;
    o.sourceDateEpoch = "1700000000";
    std::vector<std::string> volumes[2];
    for (unsigned threads : {1u, 4u}) {
        o.threads = threads;
        o.now = threads;  // ignored while SOURCE_DATE_EPOCH is set
        o.outputOverride = folder.Path("out" + IntText(threads) + "/Setup.exe");
        volumes[threads == 4] = BuildPackage(LoadProject(project), o).volumes;
        // A fresh checkout: every file newer than SOURCE_DATE_EPOCH.
        folder.AddSource("setup.exe", "the setup program", 1800000000 + threads);
    }
    ASSERT_EQ(volumes[0].size(), volumes[1].size());
    for (size_t i = 0; i < volumes[0].size(); ++i) EXPECT_EQ(Contents(volumes[0][i]), Contents(volumes[1][i]));
}

TEST(Build, BadInputLeavesNoOutput) {
    struct Case {
        const char* what;
        const char* project;
        const char* expected;
    } cases[] = {
        {"stub without PE at 256", "stub = \"bad.exe\"\n", "bad.exe: not a stub image"},
        {"volume too small", "[package]\nvolume_size = 1000\n", "volume size is too small"},
        {"setup program missing", "[setup]\nprogram = \"nothere.exe\"\n", "'nothere.exe' is not among the files"},
        {"language file missing", "languages = [\"Nope.txt\"]\n", "Nope.txt: cannot open"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ProjectFolder folder;
        folder.AddSource("setup.exe", "x");
        WriteWholeFile(folder.Path("bad.exe"), test::FakeStubImage(4096, 128));
        // The project's own stub key comes first; TOML refuses a repeated key,
        // so a case that replaces it writes the whole file.
        const std::string path = folder.Path("p.toml");
        std::ofstream(path) << (std::string(c.project).rfind("stub", 0) == 0 ? "" : "stub = \"stub.exe\"\n")
                            << "source = \"src\"\noutput = \"out/Setup.exe\"\n"
                            << c.project;
        const CliError e = Failure([&] { BuildPackage(LoadProject(path), BuildOptions{}); });
        EXPECT_EQ(e.code(), kExitInput);
        EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        EXPECT_TRUE(!fs::exists(folder.Path("out")) || fs::is_empty(folder.Path("out")));
    }
}

TEST(Build, RefusesSourceNamesThatCannotBeStored) {
    ProjectFolder folder;
    folder.AddSource("what?.txt", "x");
    const CliError e = Failure([&] { folder.Build(""); });
    EXPECT_EQ(e.code(), kExitInput);
    EXPECT_NE(std::string(e.what()).find("what?.txt"), std::string::npos) << e.what();
}

// The builder refuses every name the stub would refuse to extract, and
// builds every other one.
TEST(Build, StoresExactlyTheNamesTheStubExtracts) {
    for (const test::StoredNameCase& c : test::kStoredNameCases) {
        if (!c.fileOnLinux) continue;
        SCOPED_TRACE(c.name);
        ProjectFolder folder;
        folder.AddSource("setup.exe", "x");
        folder.AddSource(c.name, "x");
        const CliError e = Failure([&] { folder.Build("[setup]\nprogram = \"setup.exe\"\n"); });
        EXPECT_EQ(e.code(), c.safe ? kExitOk : kExitInput) << e.what();
        if (!c.safe) {
            EXPECT_NE(std::string(e.what()).find("cannot be stored"), std::string::npos) << e.what();
        }
    }
    ProjectFolder folder;
    folder.AddSource("CON.exe", "x");
    const CliError e = Failure([&] { folder.Build("[setup]\nprogram = \"CON.exe\"\n"); });
    EXPECT_EQ(e.code(), kExitInput);
}

TEST(Build, OriginalDescriptorGoesIntoThePackageBesideTheFiles) {
    namespace k = original_key;
    ProjectFolder folder;
    folder.AddSource("setup.exe", "x");
    folder.AddSource("zz.txt", "z");
    const BuildSummary s = folder.Build(
        "[setup]\nprogram = \"setup.exe\"\n[package]\nwrite_agent = true\n"
        "[update]\ndescriptor = \"Prod.INFO\"\nprogram = \"ProdUpdate.exe\"\ntoken = \"tok\"\n"
        "[update.original]\nVersionOriginal = 3\nProbeSecondsInterval = -1\nReAskSecondsInterval = 600\n"
        "ProgramName = \"My Product\"\nTargetDir = 'C:\\Program Files\\P'\nCharSet = 162\n"
        "BtnText = \"|Tamam|\\u0130ptal|Evet|Hay\\u0131r|Durdur|Yinele|Yoksay|\"\n"
        "s23 = \" on the internet\"\ns24 = \"'now'\"\ns35 = \"\\\"Get\\\" it \"\n");
    const test::ExtractedPackage package = test::ReadPackage(s.volumes[0]);
    ASSERT_EQ(package.files.count("Prod.original"), 1u);
    EXPECT_NE(package.headers.front().find("Prod.original"), std::string::npos) << "stored in name order";
    IniStore store(package.files.at("Prod.original"));
    ExpectValues(store, {{k::kVersionOriginal, "3"},
                         {k::kReAskSecondsInterval, "600"},
                         {k::kProgramName, "My Product"},
                         {k::kTargetDir, "C:\\Program Files\\P"},
                         {k::kCharSet, "162"},
                         {k::kButtonText, "|Tamam|\xC4\xB0ptal|Evet|Hay\xC4\xB1r|Durdur|Yinele|Yoksay|"},
                         {AgentTextKey(23), " on the internet"},
                         {AgentTextKey(24), "'now'"},
                         {AgentTextKey(35), "\"Get\" it "},
                         {AgentTextKey(3), "File Download Aborted!"},
                         {k::kStamp, "0"}});
    EXPECT_EQ(ReadNumber(store, k::kProbeSecondsInterval), -1);
    StdFileSource src(s.volumes[0]);
    EXPECT_TRUE(PackageReader(src).trailer().writeAgent);

    folder.AddSource("PROD.original", "the product's own");
    const CliError clash = Failure([&] {
        folder.Build(
            "[update]\ndescriptor = \"Prod.INFO\"\n"
            "[update.original]\nVersionOriginal = 1\n",
            "out/Two.exe");
    });
    EXPECT_EQ(clash.code(), kExitInput);
    EXPECT_NE(std::string(clash.what()).find("already holds Prod.original"), std::string::npos) << clash.what();
    EXPECT_FALSE(fs::exists(folder.Path("out/Two.exe")));
}

}  // namespace
}  // namespace rv::builder
