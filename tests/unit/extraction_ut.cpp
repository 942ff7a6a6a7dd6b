#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/std_file.h"
#include "format/volumes.h"
#include "package/extraction.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

// Package volumes are real files; everything extracted lands in memory.
class FakeHost final : public ExtractionHost {
public:
    std::map<std::string, std::string> written;
    std::map<std::string, uint32_t> dates;
    std::vector<std::string> errors, progress;
    std::vector<int> asked;
    bool answer = true;
    std::string failWritesTo;  // names containing this cannot be written
    std::function<void(int)> onAsk;
    bool stop = false;  // the window was closed

    bool FileExists(const std::string& path) override {
        return written.count(path) != 0 || StdFileSource(path).IsOpen();
    }
    uint64_t FileSize(const std::string& path) override { return written.count(path) ? written[path].size() : 0; }
    std::unique_ptr<ByteSource> OpenVolume(const std::string& path) override {
        return std::make_unique<StdFileSource>(path);
    }
    bool CreateFolderTree(const std::string&) override { return true; }
    std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) override {
        if (!failWritesTo.empty() && path.find(failWritesTo) != std::string::npos) return nullptr;
        if (!append) written[path].clear();
        return std::make_unique<MemoryFile>(*this, path);
    }
    bool WriteWholeFile(const std::string& path, const std::string& data, uint32_t date) override {
        written[path] = data;
        dates[path] = date;
        return true;
    }
    uint32_t FileDate(const std::string&) override { return 0x12345678; }
    int64_t NowSeconds1899() override { return 1000; }
    void Progress(int kind, uint32_t count) override {
        progress.push_back(kind == 0 ? "reset " + std::to_string(count) : "step");
    }
    void Pump() override {}
    void Wait(unsigned) override {}
    void EnableAutoPlayCancel() override {}
    void EjectMedium(const std::string&) override {}
    bool AskForDisk(int volume) override {
        asked.push_back(volume);
        if (onAsk) onAsk(volume);
        return answer;
    }
    void ShowError(const std::string& markup) override { errors.push_back(markup); }
    std::string LastErrorText() override { return "denied"; }
    int64_t FreeBytes(const std::string&) override { return 1000000000; }
    void Trace(const std::string&) override {}
    uint64_t TickMs() override { return 0; }
    bool StopRequested() override { return stop; }

private:
    class MemoryFile final : public OutputFile {
    public:
        MemoryFile(FakeHost& host, std::string path) : host_(host), path_(std::move(path)) { host_.written[path_]; }
        bool Write(const uint8_t* data, size_t n) override {
            host_.written[path_].append(reinterpret_cast<const char*>(data), n);
            return true;
        }
        bool Close(uint32_t date) override {
            host_.dates[path_] = date;
            return true;
        }

    private:
        FakeHost& host_;
        std::string path_;
    };
};

struct Entry {
    std::string header;
    std::string content;
    int64_t declared = -1;  // the size the package states for the file; -1: the content's
};

std::string Build(const test::TempDir& dir, const std::vector<Entry>& records, uint64_t volumeSize = 0,
                  bool recordLength = false) {
    PackageSettings s;
    s.stubImage = test::FakeStubImage(4096);
    s.updateBlock = "|a|P.info|Agent.exe||0|";
    s.volumeSize = volumeSize;
    s.recordLength = recordLength;
    s.timeStamp = 5000;
    const std::string path = dir.Path("Setup.exe");
    PackageWriter w(s, path);
    for (const Entry& e : records) {
        w.BeginFile(e.declared >= 0 ? static_cast<uint64_t>(e.declared) : e.content.size());
        EXPECT_TRUE(w.AddRecord(e.header, e.content));
    }
    EXPECT_TRUE(w.Finish()) << w.error();
    return path;
}

TEST(Extraction, FilesTimesSetupCommandAndProgress) {
    test::TempDir dir;
    const std::string package = Build(dir, {{MakeSetupRecordHeader("setup.exe", "/S", 0x5A3B1234), "program"},
                                            {MakeRecordHeader("data\\a.txt", 0x11112222), std::string(100000, 'a')},
                                            {MakeRecordHeader("data/sub/b.txt", 0), "b"},
                                            {MakeRecordHeader("data\\a.txt", 0), "+more"}});
    FakeHost host;
    const ExtractionResult r = ExtractPackage({package, "DEST", "", false}, host);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    EXPECT_TRUE(r.checksumPassed);
    EXPECT_EQ(r.setupName, "setup.exe");
    EXPECT_EQ(r.setupParameters, "/S");
    EXPECT_EQ(host.written["DEST\\setup.exe"], "program");
    EXPECT_EQ(host.written["DEST\\data\\a.txt"], std::string(100000, 'a') + "+more");
    EXPECT_EQ(host.written["DEST\\data\\sub\\b.txt"], "b");
    EXPECT_EQ(host.dates["DEST\\setup.exe"], 0x5A3B1234u);
    // One step per new file: the appended record adds none.
    EXPECT_EQ(host.progress, (std::vector<std::string>{"reset 0", "reset 4", "step", "step", "step"}));
    EXPECT_TRUE(host.errors.empty());
}

TEST(Extraction, VolumesPromptsAndCancel) {
    test::TempDir dir;
    const std::string big = test::PatternBytes(30000, 3);
    const std::string package =
        Build(dir, {{MakeSetupRecordHeader("setup.exe", "", 0), "p"}, {MakeRecordHeader("big.bin", 0), big}}, 12000);
    const int volumes = test::ReadPackage(package).volumes;
    ASSERT_GE(volumes, 3);

    FakeHost quiet;
    ExtractionResult r = ExtractPackage({package, "D", "", false}, quiet);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    EXPECT_EQ(quiet.written["D\\big.bin"], big);
    EXPECT_TRUE(quiet.asked.empty());  // every volume is there: no question

    FakeHost always;
    r = ExtractPackage({package, "D", "", true}, always);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    std::vector<int> expected;
    for (int n = 2; n <= volumes; ++n) expected.push_back(n);
    EXPECT_EQ(always.asked, expected);

    // A missing volume is asked for until it appears.
    const std::string third = VolumeName(package, 3);
    std::string held;
    ASSERT_TRUE(ReadWholeFile(third, held));
    std::remove(third.c_str());
    FakeHost waiting;
    waiting.onAsk = [&](int) {
        if (waiting.asked.size() == 2) WriteWholeFile(third, held);
    };
    r = ExtractPackage({package, "D", "", false}, waiting);
    EXPECT_EQ(waiting.asked, (std::vector<int>{3, 3}));
    EXPECT_EQ(r.failure, ExtractionFailure::None);

    FakeHost cancelling;
    cancelling.answer = false;
    r = ExtractPackage({package, "D", "", true}, cancelling);
    EXPECT_EQ(r.failure, ExtractionFailure::Cancelled);
    EXPECT_EQ(r.setupName, "");
}

TEST(Extraction, AVolumeThatIsNotTheNextDiskIsRefused) {
    test::TempDir dir;
    const std::string package = Build(dir,
                                      {{MakeSetupRecordHeader("setup.exe", "", 0), "p"},
                                       {MakeRecordHeader("big.bin", 0), test::PatternBytes(30000, 3)}},
                                      12000);
    ASSERT_GE(test::ReadPackage(package).volumes, 3);
    const std::string second = VolumeName(package, 2), third = VolumeName(package, 3);
    std::string two, three;
    ASSERT_TRUE(ReadWholeFile(second, two) && ReadWholeFile(third, three));
    std::string otherBuild = two;
    uint8_t* trailer = reinterpret_cast<uint8_t*>(&otherBuild[otherBuild.size() - kTrailerSize]);
    PutI64(trailer + trailer_offset::kTimeStamp, 5001);
    SealTrailer(trailer);
    const struct {
        const char* what;
        std::string asSecond;
        const char* damage;
    } cases[] = {
        {"disk 3 in place of disk 2", three, "is not disk 2"},
        {"disk 2 of another build", otherBuild, "another build"},
        {"a stray file of three bytes", "abc", "holds no part"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteWholeFile(second, c.asSecond));
        FakeHost host;
        const ExtractionResult r = ExtractPackage({package, "D", "", false}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::Damaged) << c.what;
        EXPECT_NE(r.damage.find(c.damage), std::string::npos) << c.what << ": " << r.damage;
    }
}

TEST(Extraction, DamageAndWriteFailures) {
    test::TempDir dir;
    {  // A missing first volume.
        FakeHost host;
        const ExtractionResult r = ExtractPackage({dir.Path("none.exe"), "D", "", false}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::BadChecksum);
        EXPECT_FALSE(r.checksumPassed);
    }
    {  // A name that leaves the folder: nothing of it is written.
        test::TempDir d2;
        const std::string p = Build(d2, {{MakeRecordHeader("ok.txt", 0), "1"},
                                         {MakeRecordHeader("..\\evil.txt", 0), "2"},
                                         {MakeRecordHeader("later.txt", 0), "3"}});
        FakeHost host;
        const ExtractionResult r = ExtractPackage({p, "D", "", false}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::Damaged);
        EXPECT_NE(r.damage.find("..\\evil.txt"), std::string::npos);
        EXPECT_EQ(host.written.size(), 1u);
        EXPECT_EQ(host.written.count("D\\..\\evil.txt"), 0u);
    }
    {  // Two files that cannot be written: one report, the rest extracted.
        test::TempDir d3;
        const std::string p = Build(d3, {{MakeRecordHeader("locked1.txt", 0), "1"},
                                         {MakeRecordHeader("locked2.txt", 0), "2"},
                                         {MakeSetupRecordHeader("setup.exe", "", 0), "s"}});
        FakeHost host;
        host.failWritesTo = "locked";
        const ExtractionResult r = ExtractPackage({p, "D", "", false}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::WriteFailed);
        ASSERT_EQ(host.errors.size(), 1u);
        EXPECT_EQ(host.errors[0].rfind("D\\locked1.txt<P><P>Unable to save Extracted File!<P><P>denied<P>", 0), 0u);
        EXPECT_EQ(host.written["D\\setup.exe"], "s");
    }
}

// What never ends in a setup run: a marker outside a name, files larger
// than the package states (its largest required-space entry: each file
// rounded up to 64 KB, here 2 x 65536 for the two files), a closed window.
TEST(Extraction, NoSetupFromAHeaderOrSizeThatIsWrong) {
    const Entry setup{MakeSetupRecordHeader("setup.exe", "/S", 0), "s"};
    const struct {
        const char* what;
        std::vector<Entry> records;
        bool stop;
        ExtractionFailure failure;
        const char* damage;
    } cases[] = {
        {"marker outside the name", {setup, {"|a.txt|0|x*|", "a"}}, false, ExtractionFailure::Damaged, "marker"},
        {"a device name",
         {setup, {MakeRecordHeader("sub\\NUL.txt", 0), "a"}},
         false,
         ExtractionFailure::Damaged,
         "NUL.txt"},
        {"exactly the stated space",
         {setup, {MakeRecordHeader("a.bin", 0), std::string(131071, 'a'), 65536}},
         false,
         ExtractionFailure::None,
         ""},
        {"one byte beyond it",
         {setup, {MakeRecordHeader("a.bin", 0), std::string(131072, 'a'), 65536}},
         false,
         ExtractionFailure::Damaged,
         "grow beyond"},
        {"far beyond it, compressed",
         {setup, {MakeRecordHeader("a.bin", 0), std::string(3000000, 'a'), 10}},
         false,
         ExtractionFailure::Damaged,
         "grow beyond"},
        {"the window closed", {setup, {MakeRecordHeader("a.txt", 0), "a"}}, true, ExtractionFailure::Stopped, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::TempDir dir;
        const std::string p = Build(dir, c.records);
        FakeHost host;
        host.stop = c.stop;
        const ExtractionResult r = ExtractPackage({p, "D", "", false}, host);
        EXPECT_EQ(r.failure, c.failure);
        EXPECT_NE(r.damage.find(c.damage), std::string::npos) << r.damage;
        EXPECT_EQ(r.setupName.empty(), c.failure != ExtractionFailure::None);
        EXPECT_LE(host.written["D\\a.bin"].size(), 131071u);
    }
}

TEST(Extraction, TheFirstRecordOfANameMakesTheFileAfresh) {
    test::TempDir dir;
    const std::string p =
        Build(dir, {{MakeRecordHeader("a.txt", 0), "one"}, {MakeRecordHeader("A.TXT", 0), "+two"}}, 0);
    FakeHost host;
    host.written["D\\a.txt"] = "planted";
    const ExtractionResult r = ExtractPackage({p, "D", "", false}, host);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    EXPECT_EQ(host.written["D\\a.txt"], "one");
    EXPECT_EQ(host.written["D\\A.TXT"], "+two");  // one file on Windows: opened to append
    EXPECT_EQ(host.progress, (std::vector<std::string>{"reset 0", "reset 2", "step"}));
}

TEST(Extraction, FreshAgentBesideTheFiles) {
    test::TempDir dir;
    const std::string package = Build(dir, {{MakeRecordHeader("a.txt", 0), "a"}}, 0, true);
    FakeHost host;
    ExtractPackage({package, "D", "Agent.exe", false}, host);
    const std::string agent = host.written["D\\Agent.exe"];
    EXPECT_EQ(host.dates["D\\Agent.exe"], 0x12345678u);  // the package file's own time
    MemorySource src(agent);
    const PackageReader r(src);
    ASSERT_TRUE(r.HasPackage());
    EXPECT_TRUE(r.trailer().isAgent);
    EXPECT_FALSE(r.layout().hasRecordedLength);
    EXPECT_EQ(r.trailer().timeStamp, 1000);  // earlier than the stored 5000
    EXPECT_EQ(r.UpdateItem(2), "Agent.exe");
    EXPECT_EQ(agent.size(), r.RecordsStart() + kTrailerSize);  // no records

    FakeHost notExe;
    const std::string renamed = dir.Path("Setup.bin");
    std::rename(package.c_str(), renamed.c_str());
    ExtractPackage({renamed, "D", "Agent.exe", false}, notExe);
    EXPECT_EQ(notExe.written.count("D\\Agent.exe"), 0u);
}

}  // namespace
}  // namespace rv
