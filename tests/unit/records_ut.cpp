#include <gtest/gtest.h>

#include "format/bytes.h"
#include "format/records.h"
#include "tests/unit/stored_name_cases.h"
#include "tests/unit/test_util.h"

namespace rv {
namespace {

struct Collected {
    std::vector<std::string> headers;
    std::string content;
};

class Collector final : public RecordSink {
public:
    Collected got;
    bool Begin(const std::string& header) override {
        got.headers.push_back(header);
        return true;
    }
    bool Write(const uint8_t* d, size_t n) override {
        got.content.append(reinterpret_cast<const char*>(d), n);
        return true;
    }
};

RecordResult Decode(const std::string& framed, Collector& sink) {
    MemorySource src(framed);
    return ReadRecord(src, 0, framed.size(), &sink);
}

TEST(Records, RoundTripCompressedAndStored) {
    const std::string text(200000, 't');
    const std::string noise = test::PatternBytes(70000, 5);
    struct Case {
        const std::string* content;
        int level;
        bool compressed;
    } cases[] = {{&text, 9, true}, {&text, 0, false}, {&noise, 9, false}};  // noise does not shrink
    for (const Case& c : cases) {
        const std::string framed = EncodeRecord("|a.txt|123|", *c.content, c.level);
        Collector sink;
        const RecordResult r = Decode(framed, sink);
        EXPECT_EQ(r.status, RecordStatus::Ok);
        EXPECT_EQ(r.compressed, c.compressed);
        EXPECT_EQ(r.next, framed.size());
        ASSERT_EQ(sink.got.headers.size(), 1u);
        EXPECT_EQ(sink.got.headers[0], "|a.txt|123|");
        EXPECT_EQ(sink.got.content, *c.content);
    }
}

TEST(Records, EmptyBodyOrHeaderIsSkipped) {
    for (const std::string& framed : {std::string(4, '\0'), EncodeRecord("", "content", 9)}) {
        Collector sink;
        const RecordResult r = Decode(framed, sink);
        EXPECT_EQ(r.status, RecordStatus::Ok);
        EXPECT_FALSE(r.hadHeader);
        EXPECT_TRUE(sink.got.headers.empty());
        EXPECT_TRUE(sink.got.content.empty());
    }
}

TEST(Records, DamageIsReportedNeverRead) {
    std::string framed = EncodeRecord("|a|0|", std::string(5000, 'q'), 9);
    {  // The length runs past the end.
        Collector sink;
        EXPECT_EQ(Decode(framed.substr(0, framed.size() - 1), sink).status, RecordStatus::Truncated);
    }
    {  // A corrupted stream gives zlib's own text.
        std::string bad = framed;
        bad[8] ^= 0x55;
        bad[9] ^= 0x55;
        Collector sink;
        const RecordResult r = Decode(bad, sink);
        EXPECT_EQ(r.status, RecordStatus::BadStream);
        EXPECT_FALSE(r.message.empty());
    }
    {  // A stream cut short inside its record length.
        std::string cut = framed.substr(0, framed.size() - 6);
        PutU32(reinterpret_cast<uint8_t*>(&cut[0]), static_cast<uint32_t>(cut.size() - 4));
        Collector sink;
        const RecordResult r = Decode(cut, sink);
        EXPECT_EQ(r.status, RecordStatus::BadStream);
        EXPECT_EQ(r.message, "buffer error");
    }
    {  // A header without NUL within the limit.
        std::string huge(4, '\0');
        const std::string body(kMaxHeader + 10, 'h');
        PutU32(reinterpret_cast<uint8_t*>(&huge[0]), static_cast<uint32_t>(-static_cast<int64_t>(body.size())));
        Collector sink;
        EXPECT_EQ(Decode(huge + body, sink).status, RecordStatus::BadHeader);
    }
    {  // The most negative length is a huge stored count, not an overflow.
        std::string minLength(4, '\0');
        PutU32(reinterpret_cast<uint8_t*>(&minLength[0]), 0x80000000u);
        Collector sink;
        EXPECT_EQ(Decode(minLength + "xx", sink).status, RecordStatus::Truncated);
    }
}

TEST(RecordHeaders, SetupMarkerAndTime) {
    struct Case {
        const char* text;
        const char* name;
        bool isSetup;
        const char* command;
        uint32_t time;
        bool stray;
    } cases[] = {
        {"|setup.exe*/S /lang=1|1234|", "setup.exe", true, "setup.exe*/S /lang=1", 1234, false},
        {"|setup.exe*|0|", "setup.exe", true, "setup.exe*", 0, false},
        {"|data\\a.txt|", "data\\a.txt", false, "", 0, false},
        // A "*" outside item 0 marks no setup and damages the header.
        {"|a.txt|x*|", "a.txt", false, "", 0, true},
        {"|setup.exe|0|x\\..\\cmd.exe /c*|", "setup.exe", false, "", 0, true},
    };
    for (const Case& c : cases) {
        const RecordHeader h = ParseRecordHeader(c.text);
        EXPECT_EQ(h.name, c.name) << c.text;
        EXPECT_EQ(h.isSetup, c.isSetup) << c.text;
        EXPECT_EQ(h.setupCommand, c.command) << c.text;
        EXPECT_EQ(h.fileTime, c.time) << c.text;
        EXPECT_EQ(h.strayMarker, c.stray) << c.text;
    }
    const RecordHeader both = ParseRecordHeader("|setup.exe*/S|0|*|");
    EXPECT_TRUE(both.isSetup && both.strayMarker);
    EXPECT_EQ(both.setupParameters, "/S");
    EXPECT_EQ(MakeSetupRecordHeader("setup.exe", "/S", 7), "|setup.exe*/S|7|");
}

TEST(RecordHeaders, OnlyNamesOfFilesInsideTheFolderAreSafe) {
    for (const test::StoredNameCase& c : test::kStoredNameCases) {
        EXPECT_EQ(IsSafeRelativeName(c.name), c.safe) << c.name;
        EXPECT_EQ(UnsafeNameReason(c.name).empty(), c.safe) << c.name;
    }
}

}  // namespace
}  // namespace rv
