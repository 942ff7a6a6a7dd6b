// Publishing an edition: the info descriptor, its stamp and the inform
// file.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "base/numbers.h"
#include "base/scrambler.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/publish.h"
#include "format/descriptors.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "tests/unit/builder_test_util.h"
#include "tests/unit/test_util.h"

namespace rv::builder {
namespace {

// A product built with the token "tok", and the publish projects of its
// editions beside it.
class PublishFolder {
public:
    PublishFolder() {
        folder_.AddSource("setup.exe", "the setup program");
        setup_ = folder_
                     .Build(
                         "[setup]\nprogram = \"setup.exe\"\n[update]\ndescriptor = \"P.INFO\"\ntoken = \"tok\"\n"
                         "[update.original]\nVersionOriginal = 7\n")
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
    EXPECT_NE(folder.Publish(edition + "VersionNew = 7\nProgramName = \"P\"\n").stamp, seven);
    EXPECT_EQ(folder.Publish(edition + "VersionNew = 7\nProgramName = \"P\"\nStamp = 99\n").stamp, 99);
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
                         "[AutoInform]\nNameOfInformFile = \"News.txt\"\n" +
                         c.source);
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
    const std::string update = "[NewSetup]\nDownloadURL_UPDATE = \"u\"\nVersionNew = 7\n";
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
        {head + update + "ShutDownMethod = \"Using WM_KILL\"\n", kExitInput,
         "'NewSetup.ShutDownMethod' must be one of"},
        {head + update + closing + "ProgramName = \"a\\nb\"\n", kExitInput, "'NewSetup.ProgramName': a value cannot"},
        {head + update + closing + "ValidVersions = \"5,6\"\n", kExitInput,
         "'NewSetup.ValidVersions' must be an array"},
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
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"stub.exe\"\noutput = \"server\"\n" + update +
             closing,
         kExitDamaged, "a bare stub image, not a setup file"},
        {"descriptor = \"P.INFO\"\ntoken = \"tok\"\nsetup_file = \"none.exe\"\noutput = \"server\"\n" + update +
             closing,
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
