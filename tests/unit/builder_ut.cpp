// The builder's units: project reading, language files, times, and whole
// builds read back through the inspecting commands.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>

#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/examine.h"
#include "builder/language_file.h"
#include "builder/project.h"
#include "builder/time_stamp.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "tests/unit/test_util.h"
#include "ui/language.h"
#include "ui/text.h"

namespace rv::builder {
namespace {

namespace fs = std::filesystem;

// A project folder: a stub, a source folder and a project file.
class ProjectFolder {
public:
    ProjectFolder() { WriteWholeFile(Path("stub.exe"), test::FakeStubImage(4096)); }

    std::string Path(const std::string& name) const { return dir_.Path(name); }

    void AddSource(const std::string& relative, const std::string& content, std::time_t mtime = 1700000000) {
        const fs::path p = Path("src/" + relative);
        fs::create_directories(p.parent_path());
        ASSERT_TRUE(WriteWholeFile(p.string(), content));
        utimbuf t{mtime, mtime};
        utime(p.c_str(), &t);
    }

    std::string WriteProject(const std::string& body, const std::string& name = "project.toml") const {
        const std::string path = Path(name);
        std::ofstream(path) << "stub = \"stub.exe\"\nsource = \"src\"\noutput = \"out/Setup.exe\"\n" << body;
        return path;
    }

    BuildSummary Build(const std::string& body, const std::string& output = "") const {
        BuildOptions o;
        o.outputOverride = output;
        o.threads = 3;
        o.now = 1700000000;
        return BuildPackage(LoadProject(WriteProject(body)), o);
    }

private:
    test::TempDir dir_;
};

// Runs `f` and returns the CliError it throws (code kExitOk when none).
template <typename F>
CliError Failure(F f) {
    try {
        f();
    } catch (const CliError& e) {
        return e;
    }
    return CliError(kExitOk, "");
}

std::time_t ModificationTime(const fs::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

std::string Contents(const std::string& path) {
    std::string s;
    ReadWholeFile(path, s);
    return s;
}

// --- Project files -------------------------------------------------------

TEST(Project, BadProjectsNameTheFileAndTheKey) {
    struct Case {
        const char* body;
        const char* expected;
    } cases[] = {
        {"[compression]\nlevel = \"9\"\n", "'compression.level' must be an integer"},
        {"[compression]\nlevel = 12\n", "'compression.level' must be from 1 to 9"},
        {"[package]\nrecord_length = 1\n", "'package.record_length' must be true or false"},
        {"[packages]\n", "unknown key 'packages'"},
        {"[update]\ntokn = \"x\"\n", "unknown key 'update.tokn'"},
        {"[setup]\nprogram = \"../evil.exe\"\n", "'setup.program' must be a relative path"},
        {"[setup]\nprogram = \"C:\\\\setup.exe\"\n", "'setup.program' must be a relative path"},
        {"[setup]\nparameters = \"/S\"\n", "missing key 'setup.program'"},
        {"[internet]\nbase_url = \"http://x\"\n", "missing key 'internet.setup_file'"},
        {"languages = \"English.txt\"\n", "'languages' must be an array of strings"},
        {"time_stamp = 2024-06-01T12:00:00Z\n", "'time_stamp' must be a local date-time"},
        {"[package\n", "project.toml:4:"},
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
    const Project p = LoadProject(folder.WriteProject("languages = [\"lang/English.txt\"]\n"
                                                      "time_stamp = 2024-06-01T12:30:00\n"));
    EXPECT_EQ(p.stubPath, folder.Path("stub.exe"));
    EXPECT_EQ(p.sourceDir, folder.Path("src"));
    EXPECT_EQ(p.output, folder.Path("out/Setup.exe"));
    EXPECT_EQ(p.languageFiles.at(0), folder.Path("lang/English.txt"));
    EXPECT_EQ(*p.timeStamp, SecondsSince1899(DateTime{2024, 6, 1, 12, 30, 0}));
}

// --- Language files ------------------------------------------------------

TEST(LanguageFile, EnglishGetsTheBuiltInTextsOtherLanguagesKeepTheirOwn) {
    test::TempDir dir;
    std::ofstream(dir.Path("English.txt")) << "# comment\n\ns0=My Setup\r\n s1 = spaced=value\n";
    std::ofstream(dir.Path("Turkish.txt")) << "s0=Kurulum\n";
    const std::string block = MakeLanguageBlock({ReadLanguageFile(dir.Path("English.txt")),
                                                 ReadLanguageFile(dir.Path("Turkish.txt"))});
    const std::string english = ChooseLanguageSection(block, "ENGLISH");
    const std::string turkish = ChooseLanguageSection(block, "TURKISH");
    EXPECT_EQ(SectionText(english, "s0"), "My Setup");
    EXPECT_EQ(SectionText(english, "s1"), " spaced=value");
    EXPECT_EQ(SectionValue(english, "s7", "missing"), DefaultText("s7"));
    EXPECT_EQ(SectionValue(english, "BtnText", "missing"), kDefaultButtons);
    EXPECT_EQ(SectionText(turkish, "s0"), "Kurulum");
    EXPECT_EQ(SectionValue(turkish, "s7", "missing"), "missing");
}

TEST(LanguageFile, NoLanguagesGiveTheBuiltInEnglishSection) {
    const std::string english = ChooseLanguageSection(MakeLanguageBlock({}), "FRENCH");
    for (size_t i = 0; i < kTextDefaultCount; ++i)
        EXPECT_EQ(SectionValue(english, kTextDefaults[i].key, "missing"), kTextDefaults[i].text);
}

TEST(LanguageFile, BadLinesNameFileAndLine) {
    test::TempDir dir;
    std::ofstream(dir.Path("French.txt")) << "s0=ok\nno equals sign\n";
    std::ofstream(dir.Path("German.txt")) << "s0=a\x01" "b\n";
    EXPECT_NE(std::string(Failure([&] { ReadLanguageFile(dir.Path("French.txt")); }).what()).find("French.txt:2:"),
              std::string::npos);
    EXPECT_NE(std::string(Failure([&] { ReadLanguageFile(dir.Path("German.txt")); }).what()).find("German.txt:1:"),
              std::string::npos);
    EXPECT_EQ(Failure([&] { ReadLanguageFile(dir.Path("Missing.txt")); }).code(), kExitInput);
}

// --- Times ---------------------------------------------------------------

TEST(Times, DosFileTimesRoundTripInTwoSecondSteps) {
    std::tm tm{};
    tm.tm_year = 124, tm.tm_mon = 5, tm.tm_mday = 1, tm.tm_hour = 13, tm.tm_min = 45, tm.tm_sec = 31;
    tm.tm_isdst = -1;
    const std::time_t t = std::mktime(&tm);
    const uint32_t dos = DosFileTime(t);
    EXPECT_EQ(dos >> 16, (44u << 9) | (6u << 5) | 1u);
    EXPECT_EQ(dos & 0xFFFF, (13u << 11) | (45u << 5) | 15u);
    EXPECT_EQ(TimeFromDosFileTime(dos), t - 1);
    EXPECT_EQ(DosFileTime(0), 0u) << "1970 lies before what a DOS date can hold";
}

TEST(Times, BuildTimeStampPrefersTheProjectThenSourceDateEpochAsUtc) {
    const int64_t epoch1970 = SecondsSince1899(DateTime{1970, 1, 1, 0, 0, 0});
    EXPECT_EQ(BuildTimeStamp(std::nullopt, ParseSourceDateEpoch("86400"), 0), epoch1970 + 86400);
    EXPECT_EQ(BuildTimeStamp(int64_t{42}, ParseSourceDateEpoch("86400"), 0), 42);
    EXPECT_FALSE(ParseSourceDateEpoch(""));
    EXPECT_EQ(Failure([] { ParseSourceDateEpoch("yesterday"); }).code(), kExitInput);
}

// --- Whole builds --------------------------------------------------------

// Source files that cover the record splitting: an empty file, a nested one
// and files of more than one record, compressible and not.
void AddPayload(ProjectFolder& folder) {
    folder.AddSource("setup.exe", "the setup program", 1700000100);
    folder.AddSource("empty.dat", "");
    folder.AddSource("docs/readme.txt", std::string(3000000, 'r'), 1600000000);
    folder.AddSource("bin/random.bin", test::PatternBytes(2500000, 3));
}

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
        {"internet", "[internet]\nbase_url = \"http://example.com/dl\"\nsetup_file = \"Full.exe\"\ntoken = \"T1\"\n", 1, 3},
        {"agent", "[package]\nis_agent = true\nwrite_agent = true\nrecord_length = false\n"
                  "[update]\nprogram = \"Upd.exe\"\ntoken = \"secret\"\nbackground = true\n", 1, 2},
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
    EXPECT_EQ(r.trailer().flags, kFlagAlwaysShowTempNotice | kFlagShowActivityBar | kFlagDebugTrace | kFlagSpannedOverDisks);
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
        {"setup program missing", "[setup]\nprogram = \"nothere.exe\"\n", "'nothere.exe' is not in the source folder"},
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
                            << "source = \"src\"\noutput = \"out/Setup.exe\"\n" << c.project;
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

// --- Damaged packages ----------------------------------------------------

TEST(Inspect, DamageIsReportedWithTheVolumeName) {
    ProjectFolder folder;
    AddPayload(folder);
    const std::vector<std::string> volumes = folder.Build("[package]\nvolume_size = 1000000\n").volumes;
    ASSERT_GE(volumes.size(), 3u);

    std::string second = Contents(volumes[1]);
    second[second.size() / 2] ^= 0x40;
    WriteWholeFile(volumes[1], second);
    const CliError bad = Failure([&] { ReadContents(volumes[0], Checksums::Require); });
    EXPECT_EQ(bad.code(), kExitDamaged);
    EXPECT_NE(std::string(bad.what()).find(volumes[1] + ": the package checksum"), std::string::npos) << bad.what();

    fs::remove(volumes[2]);
    const CliError missing = Failure([&] { ReadContents(volumes[0], Checksums::Report); });
    EXPECT_EQ(missing.code(), kExitDamaged);
    EXPECT_NE(std::string(missing.what()).find(volumes[2]), std::string::npos) << missing.what();

    EXPECT_EQ(Failure([&] { ReadContents(folder.Path("none.exe"), Checksums::Report); }).code(), kExitInput);
    EXPECT_EQ(Failure([&] { ReadContents(folder.Path("stub.exe"), Checksums::Report); }).code(), kExitDamaged);
}

TEST(Inspect, BrokenRecordFailsEvenWithoutAChecksum) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"a.txt", std::string(5000, 'a')}}));
    std::string bytes = Contents(dir.Path("S.exe"));
    bytes[bytes.size() - 74 - 20] ^= 0x55;  // inside the zlib stream
    bytes.replace(bytes.size() - 74 + 16, 4, std::string("\xD2\x04\0\0", 4));  // checksum 1234: not tested
    WriteWholeFile(dir.Path("S.exe"), bytes);
    const CliError e = Failure([&] { ReadContents(dir.Path("S.exe"), Checksums::Require); });
    EXPECT_EQ(e.code(), kExitDamaged);
    EXPECT_NE(std::string(e.what()).find("does not inflate"), std::string::npos) << e.what();
}

TEST(Inspect, ExtractRefusesNamesThatLeaveTheFolder) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    for (const char* name : {"..\\evil.txt", "sub\\..\\..\\evil.txt", "/tmp/evil.txt"}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"good.txt", "g"}, {name, "evil"}}));
        const CliError e = Failure([&] { ExtractPackage(dir.Path("S.exe"), dir.Path("out/x")); });
        EXPECT_EQ(e.code(), kExitDamaged);
        EXPECT_NE(std::string(e.what()).find("unsafe file name"), std::string::npos) << e.what();
        EXPECT_FALSE(fs::exists(dir.Path("out/evil.txt")));
        EXPECT_FALSE(fs::exists(dir.Path("evil.txt")));
    }
}

TEST(Inspect, ExtractAppendsRecordsOfOneName) {
    test::TempDir dir;
    PackageSettings s;
    s.stubImage = test::FakeStubImage(1024);
    ASSERT_TRUE(test::WritePackage(s, dir.Path("S.exe"), {{"a\\b.txt", "one,"}, {"c.txt", "c"}, {"a\\b.txt", "two"}}));
    WriteWholeFile(dir.Path("x/a/b.txt"), "stale content from before");
    const PackageContents c = ExtractPackage(dir.Path("S.exe"), dir.Path("x"));
    EXPECT_EQ(Contents(dir.Path("x/a/b.txt")), "one,two");
    ASSERT_EQ(c.files.size(), 2u);
    EXPECT_EQ(c.files[0].records, 2u);
}

}  // namespace
}  // namespace rv::builder
