#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "builder/sha256.h"
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
    bool noSha256 = false;   // a system without SHA-256
    uint64_t bytesRead = 0;  // from every volume
    bool stop = false;       // the window was closed

    bool FileExists(const std::string& path) override {
        return written.count(path) != 0 || StdFileSource(path).IsOpen();
    }
    uint64_t FileSize(const std::string& path) override { return written.count(path) ? written[path].size() : 0; }
    std::unique_ptr<ByteSource> OpenVolume(const std::string& path) override {
        return std::make_unique<CountingSource>(path, bytesRead);
    }
    bool DigestVolume(ByteSource& volume, VolumeDigest& digest) override {
        if (noSha256) return false;
        builder::PortableSha256 sha;
        return DigestOf(volume, sha, digest, [] {});
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
    class CountingSource final : public ByteSource {
    public:
        CountingSource(const std::string& path, uint64_t& count) : file_(path), count_(count) {}
        uint64_t Size() const override { return file_.Size(); }
        size_t ReadAt(uint64_t offset, void* buffer, size_t n) override {
            const size_t got = file_.ReadAt(offset, buffer, n);
            count_ += got;
            return got;
        }

    private:
        StdFileSource file_;
        uint64_t& count_;
    };

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

struct Sealing {
    bool sealed = true;
    Sha256* volumeDigest = nullptr;
    int level = 9;
    const char* name = "Setup.exe";
};

std::string Build(const test::TempDir& dir, const std::vector<Entry>& records, uint64_t volumeSize = 0,
                  bool recordLength = false, const Sealing& sealing = Sealing()) {
    PackageSettings s;
    s.sealed = sealing.sealed;
    s.volumeDigest = sealing.volumeDigest;
    s.level = sealing.level;
    s.stubImage = test::FakeStubImage(4096);
    s.updateBlock = "|a|P.info|Agent.exe||0|";
    s.volumeSize = volumeSize;
    s.recordLength = recordLength;
    s.timeStamp = 5000;
    const std::string path = dir.Path(sealing.name);
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
    const ExtractionResult r = ExtractPackage({package, "DEST", "", false, ""}, host);
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
    ExtractionResult r = ExtractPackage({package, "D", "", false, ""}, quiet);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    EXPECT_EQ(quiet.written["D\\big.bin"], big);
    EXPECT_TRUE(quiet.asked.empty());  // every volume is there: no question

    FakeHost always;
    r = ExtractPackage({package, "D", "", true, ""}, always);
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
    r = ExtractPackage({package, "D", "", false, ""}, waiting);
    EXPECT_EQ(waiting.asked, (std::vector<int>{3, 3}));
    EXPECT_EQ(r.failure, ExtractionFailure::None);

    FakeHost cancelling;
    cancelling.answer = false;
    r = ExtractPackage({package, "D", "", true, ""}, cancelling);
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
        const ExtractionResult r = ExtractPackage({package, "D", "", false, ""}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::Damaged) << c.what;
        EXPECT_NE(r.damage.find(c.damage), std::string::npos) << c.what << ": " << r.damage;
    }
}

// A later volume of a chained package must be the file the volume before it
// names; number and time stamp, which anyone can copy, are not enough.
TEST(Extraction, ChainedVolumesAreCheckedBeforeUse) {
    builder::PortableSha256 sha;
    const std::vector<Entry> records = {{MakeSetupRecordHeader("setup.exe", "", 0), "p"},
                                        {MakeRecordHeader("big.bin", 0), test::PatternBytes(30000, 3)}};
    const std::vector<Entry> others = {{MakeSetupRecordHeader("setup.exe", "", 0), "p"},
                                       {MakeRecordHeader("big.bin", 0), test::PatternBytes(30000, 4)}};
    const struct {
        const char* what;
        bool chained;
        bool swap;
        bool noSha256;
        ExtractionFailure failure;
        const char* damage;
    } cases[] = {
        {"chained, whole", true, false, false, ExtractionFailure::None, ""},
        {"chained, disk 2 of another package with the same stamp", true, true, false, ExtractionFailure::Damaged,
         "is not disk 2 of this package"},
        {"chained, a system without SHA-256", true, false, true, ExtractionFailure::Damaged, "cannot be checked"},
        {"older package: number and stamp only", false, true, false, ExtractionFailure::None, ""},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const Sealing sealing{true, c.chained ? &sha : nullptr, 9, "Setup.exe"};
        const std::string package = Build(dir, records, 12000, false, sealing);
        const std::string other = Build(dir, others, 12000, false, {true, sealing.volumeDigest, 9, "Other.exe"});
        ASSERT_GE(test::ReadPackage(package).volumes, 3);
        std::string swapped;
        if (c.swap) {
            ASSERT_TRUE(ReadWholeFile(VolumeName(other, 2), swapped));
            ASSERT_TRUE(WriteWholeFile(VolumeName(package, 2), swapped));
        }
        FakeHost host;
        host.noSha256 = c.noSha256;
        const ExtractionResult r = ExtractPackage({package, "D", "", false, ""}, host);
        EXPECT_EQ(r.failure, c.failure) << c.what;
        EXPECT_NE(r.damage.find(c.damage), std::string::npos) << c.what << ": " << r.damage;
        if (c.failure != ExtractionFailure::None) {
            EXPECT_NE(host.written["D\\big.bin"].size(), 30000u) << c.what;
        }
    }
}

// The launcher of a package spanned over disks is the file that gets signed;
// in the restart from its copy, the first volume beside it must be the one
// it names, before any byte of that volume is used. A launcher of an older
// builder names none, and its first volume keeps the older rules.
TEST(Extraction, TheLauncherNamesTheFirstVolume) {
    const std::vector<Entry> records = {{MakeSetupRecordHeader("setup.exe", "", 0), "p"}};
    const std::vector<Entry> others = {{MakeSetupRecordHeader("setup.exe", "", 0), "q"}};
    const struct {
        const char* what;
        bool named;
        bool swap;
        ExtractionFailure failure;
    } cases[] = {
        {"named, whole", true, false, ExtractionFailure::None},
        {"named, the first volume of another package", true, true, ExtractionFailure::Damaged},
        {"older launcher: nothing named", false, true, ExtractionFailure::None},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const std::string data = Build(dir, records, 0, false, {true, nullptr, 9, "Setup.exe.001"});
        const std::string other = Build(dir, others, 0, false, {true, nullptr, 9, "Other.exe.001"});
        PackageSettings s;
        s.stubImage = test::FakeStubImage(4096);
        PackageWriter launcher(s, dir.Path("Y_Setup.exe"));
        VolumeDigest digest{};
        ASSERT_TRUE(builder::DigestOfFile(data, digest));
        const std::string record = NextVolumeRecord(digest);
        if (c.named) {
            EXPECT_TRUE(launcher.AddRecord("", "", &record));
        }
        ASSERT_TRUE(launcher.Finish()) << launcher.error();
        std::string swapped;
        if (c.swap) {
            ASSERT_TRUE(ReadWholeFile(other, swapped));
            ASSERT_TRUE(WriteWholeFile(data, swapped));
        }
        FakeHost host;
        const ExtractionResult r = ExtractPackage({data, "D", "", false, dir.Path("Y_Setup.exe")}, host);
        EXPECT_EQ(r.failure, c.failure) << c.what << ": " << r.damage;
        if (c.failure == ExtractionFailure::Damaged) {
            EXPECT_NE(r.damage.find("is not disk 1 of this package"), std::string::npos) << r.damage;
            EXPECT_EQ(host.written.count("D\\setup.exe"), 0u) << c.what;
        }
    }
}

// A sealed volume is summed while its records are read, so it is read once;
// an older one is tested first and read again.
TEST(Extraction, SealedVolumesAreSummedInTheExtractionPass) {
    const struct {
        const char* what;
        bool sealed;
        bool damage;
        ExtractionFailure failure;
        double readsPerByte;
    } cases[] = {
        {"sealed, whole", true, false, ExtractionFailure::None, 1},
        {"sealed, a stored byte flipped", true, true, ExtractionFailure::BadChecksum, 1},
        {"older, whole", false, false, ExtractionFailure::None, 2},
        {"older, a stored byte flipped", false, true, ExtractionFailure::BadChecksum, 1},
    };
    for (const auto& c : cases) {
        test::TempDir dir;
        const std::string content = test::PatternBytes(200000, 5);
        const std::string package =
            Build(dir, {{MakeSetupRecordHeader("setup.exe", "", 0), "p"}, {MakeRecordHeader("data.bin", 0), content}},
                  0, false, {c.sealed, nullptr, 0, "Setup.exe"});
        std::string bytes;
        ASSERT_TRUE(ReadWholeFile(package, bytes));
        if (c.damage) {
            bytes[bytes.size() - 50000] ^= 0x10;
            ASSERT_TRUE(WriteWholeFile(package, bytes));
        }
        FakeHost host;
        const ExtractionResult r = ExtractPackage({package, "D", "", false, ""}, host);
        EXPECT_EQ(r.failure, c.failure) << c.what;
        EXPECT_EQ(r.checksumPassed, c.failure == ExtractionFailure::None) << c.what;
        const double perByte = static_cast<double>(host.bytesRead) / static_cast<double>(bytes.size());
        EXPECT_NEAR(perByte, c.readsPerByte, 0.05) << c.what;
    }
}

TEST(Extraction, DamageAndWriteFailures) {
    test::TempDir dir;
    {  // A missing first volume.
        FakeHost host;
        const ExtractionResult r = ExtractPackage({dir.Path("none.exe"), "D", "", false, ""}, host);
        EXPECT_EQ(r.failure, ExtractionFailure::BadChecksum);
        EXPECT_FALSE(r.checksumPassed);
    }
    {  // A name that leaves the folder: nothing of it is written.
        test::TempDir d2;
        const std::string p = Build(d2, {{MakeRecordHeader("ok.txt", 0), "1"},
                                         {MakeRecordHeader("..\\evil.txt", 0), "2"},
                                         {MakeRecordHeader("later.txt", 0), "3"}});
        FakeHost host;
        const ExtractionResult r = ExtractPackage({p, "D", "", false, ""}, host);
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
        const ExtractionResult r = ExtractPackage({p, "D", "", false, ""}, host);
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
        const ExtractionResult r = ExtractPackage({p, "D", "", false, ""}, host);
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
    const ExtractionResult r = ExtractPackage({p, "D", "", false, ""}, host);
    EXPECT_EQ(r.failure, ExtractionFailure::None);
    EXPECT_EQ(host.written["D\\a.txt"], "one");
    EXPECT_EQ(host.written["D\\A.TXT"], "+two");  // one file on Windows: opened to append
    EXPECT_EQ(host.progress, (std::vector<std::string>{"reset 0", "reset 2", "step"}));
}

TEST(Extraction, FreshAgentBesideTheFiles) {
    test::TempDir dir;
    const std::string package = Build(dir, {{MakeRecordHeader("a.txt", 0), "a"}}, 0, true);
    FakeHost host;
    ExtractPackage({package, "D", "Agent.exe", false, ""}, host);
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
    ExtractPackage({renamed, "D", "Agent.exe", false, ""}, notExe);
    EXPECT_EQ(notExe.written.count("D\\Agent.exe"), 0u);
}

}  // namespace
}  // namespace rv
