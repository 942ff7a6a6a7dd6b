// The builder's units: project reading, language files, times, and whole
// builds read back through the inspecting commands.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "format/descriptors.h"
#include "base/clock.h"
#include "base/numbers.h"
#include "base/scrambler.h"
#include "base/text.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/examine.h"
#include "builder/language_file.h"
#include "builder/project.h"
#include "builder/publish.h"
#include "builder/time_stamp.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "tests/unit/test_util.h"
#include "format/language.h"

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
        {"[package]\nwrite_agent = true\n", "'package.write_agent' needs 'update.program'"},
        {"[update.original]\nVersionOriginal = 1\n", "'update.original' needs 'update.descriptor'"},
        {"[update]\ndescriptor = \"P.INFO\"\n[update.original]\nVersion = 1\n", "unknown key 'update.original.Version'"},
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

// --- Update descriptors --------------------------------------------------

// Reads INI text as the agent's system reader does: blanks round a value
// dropped, then one pair of enclosing quotes; only the first section of a
// name counts, so a repeated section is a fault of the writer.
class IniStore : public DescriptorStore {
public:
    explicit IniStore(const std::string& text) {
        std::istringstream in(text);
        std::string section;
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CRLF: " << line;
            line = Trim(line);
            if (line.empty()) continue;
            if (line.front() == '[') {
                section = line.substr(1, line.find(']') - 1);
                EXPECT_TRUE(sections_.insert(section).second) << "section written twice: " << section;
                continue;
            }
            std::string value = Trim(TextAfter(line, "="));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            values_.emplace(section + "/" + Trim(TextBefore(line, "=")), value);
        }
    }
    std::string Read(const char* section, const char* key, const std::string& fallback) override {
        const auto it = values_.find(std::string(section) + "/" + key);
        return it == values_.end() ? fallback : it->second;
    }
    bool Write(const char*, const char*, const std::string&) override { return false; }

private:
    std::set<std::string> sections_;
    std::map<std::string, std::string> values_;
};

struct Expected {
    IniKey key;
    std::string value;
};

void ExpectValues(DescriptorStore& store, const std::vector<Expected>& expected) {
    for (const Expected& e : expected) EXPECT_EQ(ReadText(store, e.key), e.value) << e.key.section << "/" << e.key.key;
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
    const CliError clash = Failure([&] { folder.Build("[update]\ndescriptor = \"Prod.INFO\"\n"
                                                      "[update.original]\nVersionOriginal = 1\n", "out/Two.exe"); });
    EXPECT_EQ(clash.code(), kExitInput);
    EXPECT_NE(std::string(clash.what()).find("already holds Prod.original"), std::string::npos) << clash.what();
    EXPECT_FALSE(fs::exists(folder.Path("out/Two.exe")));
}

// A product built with the token "tok", and the publish projects of its
// editions beside it.
class PublishFolder {
public:
    PublishFolder() {
        folder_.AddSource("setup.exe", "the setup program");
        setup_ = folder_.Build("[setup]\nprogram = \"setup.exe\"\n[update]\ndescriptor = \"P.INFO\"\ntoken = \"tok\"\n")
                     .volumes[0];
    }
    std::string Path(const std::string& name) const { return folder_.Path(name); }
    const std::string& setup() const { return setup_; }

    std::string Write(const std::string& text) const {
        const std::string path = Path("publish.toml");
        std::ofstream(path) << text;
        return path;
    }
    // An edition of the product's setup into "server", with `body` after the
    // top-level keys.
    PublishSummary Publish(const std::string& body) const {
        return builder::Publish(LoadPublishProject(Write(kHead + body)), "");
    }

    static constexpr const char* kHead =
        "descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"out/Setup.exe\"\noutput = \"server\"\n";

private:
    ProjectFolder folder_;
    std::string setup_;
};

TEST(Publish, InfoDescriptorHoldsEveryKeyWithTheComputedOnes) {
    namespace k = info_key;
    PublishFolder folder;
    const PublishSummary s = folder.Publish(
        "[NewSetup]\nDownloadURL_UPDATE = \"http://h/u\"\nVersionNew = 7\nShutDownMethod = \"Don't Shut Down\"\n"
        "RunningProcess = \"<InstallDir>App.exe\"\nProgramName = \" Padded \"\nBackgroundUpdate = true\n"
        "ValidVersions = [5, 6]\n[AutoInform]\nAutoInformW = 500\n");
    EXPECT_EQ(s.infoPath, folder.Path("server/P.INFO"));
    EXPECT_EQ(Contents(s.setupPath), Contents(folder.setup()));
    IniStore store(Contents(s.infoPath));
    ExpectValues(store, {{k::kDownloadUrlUpdate, "http://h/u"},
                         {k::kNameOfUpdateFile, "Setup.exe"},
                         {k::kSizeOfUpdateFile, IntText(static_cast<long long>(fs::file_size(folder.setup())))},
                         {k::kConfirmBeforeDownload, "0"},
                         {k::kBackgroundUpdate, "1"},
                         {k::kShutDownMethod, "Don't Shut Down"},
                         {k::kRunningProcess, "<InstallDir>App.exe"},
                         {k::kProgramName, " Padded "},
                         {k::kVersionNew, "7"},
                         {k::kStamp, IntText(s.stamp)},
                         {k::kValidVersions, "5,6"},
                         {k::kAutoInform, "0"},
                         {k::kSizeOfInformFile, "0"},
                         {k::kAutoInformWidth, "500"},
                         {k::kAutoInformHeight, "360"}});
    for (const IniKey& key : {k::kRemoveStartUpShortcut, k::kDownloadUrlInform, k::kNameOfInformFile})
        EXPECT_NE(store.Read(key.section, key.key, "absent"), "absent") << key.key << ": every key is written";
    EXPECT_EQ(fs::file_size(s.setupPath), static_cast<uintmax_t>(ReadNumber(store, k::kSizeOfUpdateFile)));
}

TEST(Publish, StampIsGivenOrFollowsTheEdition) {
    PublishFolder folder;
    const std::string edition = "[NewSetup]\nDownloadURL_UPDATE = \"u\"\nShutDownMethod = \"Using WM_CLOSE\"\n";
    const int64_t seven = folder.Publish(edition + "VersionNew = 7\n").stamp;
    EXPECT_GT(seven, 0);
    EXPECT_EQ(folder.Publish(edition + "VersionNew = 7\n").stamp, seven);
    EXPECT_NE(folder.Publish(edition + "VersionNew = 8\n").stamp, seven);
    EXPECT_EQ(folder.Publish(edition + "VersionNew = 8\nStamp = 99\n").stamp, 99);
}

TEST(Publish, InformFileDecodesToTheProductTokenAndTheBody) {
    const struct {
        const char* what;
        const char* source;
        std::string body;
    } cases[] = {
        {"inline", "body = \"News | with a bar\\r\\nline two\"\n", "News | with a bar\r\nline two"},
        {"from a file", "body_file = \"news.txt\"\n", "Yeni s\xFCr\xFCm\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PublishFolder folder;
        WriteWholeFile(folder.Path("news.txt"), "Yeni s\xFCr\xFCm\r\n");
        const std::string path =
            folder.Write(std::string("descriptor = \"P.INFO\"\ntoken = \"tok\"\noutput = \"news\"\n") +
                         "[NewSetup]\nDownloadURL_UPDATE = \"u\"\nVersionNew = 2\n[General]\nAutoInform = true\n"
                         "[AutoInform]\nNameOfInformFile = \"News.txt\"\n" + c.source);
        const PublishSummary s = Publish(LoadPublishProject(path), "");
        const std::string stored = Contents(s.informPath);
        EXPECT_TRUE(StartsWith(kScrambleMarker, stored, false));
        const std::string plain = TextAfter(Scramble(stored, false), "|");
        EXPECT_EQ(UnscrambleItem(TextBefore(plain, "|")), std::optional<std::string>("tok"));
        EXPECT_EQ(TextAfter(TextAfter(TextAfter(plain, "|"), "|"), "|"), c.body);
        IniStore store(Contents(s.infoPath));
        EXPECT_EQ(ReadText(store, info_key::kAutoInform), "1");
        EXPECT_EQ(ReadText(store, info_key::kNameOfUpdateFile), "");
        EXPECT_EQ(ReadNumber(store, info_key::kSizeOfInformFile), static_cast<long long>(stored.size()));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path("news")), fs::directory_iterator()), 2);
    }
}

TEST(Publish, BadEditionsAreRefusedAndWriteNothing) {
    const std::string update = "[NewSetup]\nDownloadURL_UPDATE = \"u\"\nVersionNew = 2\n";
    const std::string closing = "ShutDownMethod = \"Using WM_CLOSE\"\n";
    const std::string head = PublishFolder::kHead;
    const std::string news = "[General]\nAutoInform = true\n[AutoInform]\nNameOfInformFile = \"N.txt\"\n";
    const struct {
        std::string text;
        ExitCode code;
        const char* expected;
    } cases[] = {
        {"token = \"tok\"\n" + update + closing, kExitInput, "missing key 'descriptor'"},
        {"descriptor = \"P.INFO\"\ntoken = \"\"\n" + update, kExitInput, "'token' cannot be empty"},
        {head + update + closing + "VersionNeu = 3\n", kExitInput, "unknown key 'NewSetup.VersionNeu'"},
        {head + update + closing + "SizeOfUpdateFile = 3\n", kExitInput, "unknown key 'NewSetup.SizeOfUpdateFile'"},
        {head + "[NewSetup]\nDownloadURL_UPDATE = \"u\"\n" + closing, kExitInput, "missing key 'NewSetup.VersionNew'"},
        {head + update, kExitInput, "missing key 'NewSetup.ShutDownMethod'"},
        {head + update + "ShutDownMethod = \"Using WM_KILL\"\n", kExitInput, "'NewSetup.ShutDownMethod' must be one of"},
        {head + update + closing + "ProgramName = \"a\\nb\"\n", kExitInput, "'NewSetup.ProgramName': a value cannot"},
        {head + update + closing + "ValidVersions = \"5,6\"\n", kExitInput, "'NewSetup.ValidVersions' must be an array"},
        {head + update + closing + "Stamp = 0\n", kExitInput, "'NewSetup.Stamp' must be from 1"},
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\noutput = \"server\"\n" + update + closing, kExitInput,
         "missing key 'setup_file'"},
        {head + update + "[General]\nAutoInform = true\n", kExitInput, "needs 'AutoInform.NameOfInformFile'"},
        {head + update + news + "body = \"a\"\nbody_file = \"b.txt\"\n", kExitInput, "not both"},
        {head + update + news + "body_file = \"missing.txt\"\n", kExitInput, "missing.txt: cannot read"},
        {"descriptor = \"P.INFO\"\ntoken = \"other\"\nsetup_file = \"out/Setup.exe\"\noutput = \"server\"\n" + update +
             closing,
         kExitInput, "its package token is not the product's"},
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"out/Span.exe\"\noutput = \"server\"\n" + update +
             closing,
         kExitInput, "a spanned setup cannot be downloaded"},
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"stub.exe\"\noutput = \"server\"\n" + update + closing,
         kExitDamaged, "not a setup file"},
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"none.exe\"\noutput = \"server\"\n" + update + closing,
         kExitInput, "none.exe: cannot open"},
    };
    PublishFolder folder;
    ProjectFolder spanned;
    spanned.AddSource("big.bin", test::PatternBytes(30000, 1));
    for (const std::string& v : spanned.Build("[package]\nvolume_size = 12000\n[update]\ntoken = \"tok\"\n").volumes)
        fs::copy_file(v, folder.Path("out/Span" + v.substr(v.find("Setup") + 5)));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::string path = folder.Write(c.text);
        const CliError e = Failure([&] { Publish(LoadPublishProject(path), ""); });
        EXPECT_EQ(e.code(), c.code);
        EXPECT_NE(std::string(e.what()).find(c.expected), std::string::npos) << e.what();
        EXPECT_FALSE(fs::exists(folder.Path("server")));
    }
}

}  // namespace
}  // namespace rv::builder
