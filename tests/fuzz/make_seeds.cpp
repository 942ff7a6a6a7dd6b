// Writes the seed corpora of the fuzz targets with our own writer and
// texts, one folder per target under the folder given:
//   fuzz_seeds OUT    ->  OUT/package, OUT/text, OUT/descriptors, OUT/http, OUT/agent
// Every package kind the builder makes is there three times: as built; with
// the checksum test disabled (1234), so that mutations of the records reach
// the extraction instead of stopping at the checksum; and that without the
// trailer's check too, as older builders write it, so that mutations of the
// trailer's fields reach the reader.
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/numbers.h"
#include "base/scrambler.h"
#include "format/bytes.h"
#include "format/language.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/unit/test_util.h"

namespace rv::fuzz {
namespace {

constexpr char kVolumeSeparator[] = "\n--next volume--\n";
namespace fs = std::filesystem;

// Sections with every third of the stub's texts.
std::string LanguageBlockOf(const std::vector<std::string>& languages) {
    std::vector<std::vector<std::string>> sections;
    for (const std::string& language : languages) {
        sections.push_back({language});
        for (size_t i = 0; i < kTextDefaultCount; i += 3)
            sections.back().push_back(std::string(kTextDefaults[i].key) + "=" + kTextDefaults[i].text);
    }
    return test::LanguageBlock(sections);
}

// The volumes of one package, joined as the package target reads them.
std::string WritePackage(const fs::path& scratch, const test::PackageKind& kind) {
    PackageSettings s;
    s.stubImage = test::FakeStubImage(512);
    s.languageBlock = LanguageBlockOf({"English", "Turkish"});
    s.updateBlock = "|1|Prod.INFO|Agent.exe|" + ScrambleItem("token", 3) + "|0|";
    s.internetBlock = "|http://127.0.0.1/dl|Full.exe|0|" + ScrambleItem("token", 4) + "|4096|";
    s.timeStamp = 3974000000;
    const std::vector<std::string> volumes =
        test::WriteVolumes(kind, s, (scratch / "Setup.exe").string(),
                           {{MakeSetupRecordHeader("setup.exe", "/S", 0x5A3B1234), std::string(300, 'x') + "program"},
                            {MakeRecordHeader("data\\readme.txt", 0), "Read me.\r\nRead me.\r\nRead me.\r\n"},
                            {MakeRecordHeader("data/sub/b.bin", 0x11112222), std::string(700, '\x01')}});
    std::string joined;
    for (const std::string& v : volumes) joined += (joined.empty() ? "" : kVolumeSeparator) + v;
    return joined;
}

// The same volumes with every checksum set to the value that disables it,
// and without the trailer checks when asked.
std::string WithChecksumsDisabled(const std::string& joined, bool withoutTrailerCheck) {
    std::string out, rest = joined;
    const std::string separator = kVolumeSeparator;
    for (;;) {
        const size_t end = rest.find(separator);
        std::string volume = rest.substr(0, end);
        if (volume.size() >= kTrailerSize) {
            uint8_t* trailer = reinterpret_cast<uint8_t*>(&volume[volume.size() - kTrailerSize]);
            PutU32(trailer + trailer_offset::kChecksum, kChecksumDisabled);
            if (withoutTrailerCheck) PutU16(trailer + trailer_offset::kTrailerCheck, 0);
        }
        out += volume;
        if (end == std::string::npos) return out;
        out += separator;
        rest = rest.substr(end + separator.size());
    }
}

std::string Numbers(uint64_t a, uint64_t b) {
    std::string s(kNumberBytes, '\0');
    PutI64(reinterpret_cast<uint8_t*>(&s[0]), static_cast<int64_t>(a));
    PutI64(reinterpret_cast<uint8_t*>(&s[8]), static_cast<int64_t>(b));
    return s;
}

void Save(const fs::path& folder, const std::vector<std::string>& seeds) {
    fs::create_directories(folder);
    for (size_t i = 0; i < seeds.size(); ++i) WriteWholeFile((folder / ("seed" + IntText(i))).string(), seeds[i]);
}

std::vector<std::string> PackageSeeds(const fs::path& scratch) {
    const test::PackageKind kinds[] = {
        {"plain", 9, false, 0, false},      {"stored", 0, false, 0, false},  {"recorded", 9, true, 0, false},
        {"spanned", 0, false, 1400, false}, {"internet", 9, false, 0, true},
    };
    std::vector<std::string> seeds;
    for (const test::PackageKind& kind : kinds) {
        const std::string joined = WritePackage(scratch, kind);
        seeds.push_back(joined);
        seeds.push_back(WithChecksumsDisabled(joined, false));
        seeds.push_back(WithChecksumsDisabled(joined, true));
    }
    return seeds;
}

std::vector<std::string> TextSeeds() {
    const std::string block = LanguageBlockOf({"English", "Turkish"});
    std::vector<std::string> seeds = {
        Seed(Numbers(3, 0x24), {block, "TURKISH", "FontName"}),
        Seed(Numbers(1, 0), {"|a|b||c|", "x|y", "z"}),
        Seed(Numbers(0x10, 0x21), {"\"C:\\P\\Setup.exe\" /SpanCdLvl=2 /TEST=1 /WM_MSG=3:4 /STOP=1 /DELAY=10",
                                   "C:\\P\\Setup.exe", "setup.exe*/S /lang=1"}),
        Seed(Numbers(1, 0), {"C:\\P\\X_Agent.exe /TEST=0 /SleepX=30", "C:\\P\\X_Agent.exe", "Agent.exe"}),
        Seed(Numbers(0, 0), {MakeSetupRecordHeader("data\\setup.exe", "/S", 7), "Setup.exe.001", ""}),
        Seed(Numbers(0, 0), {"|..\\evil.exe|0|", "HKCU\\Software\\Corvande", ""}),
        Seed(Numbers(77, 5), {ScrambleWithKey("secret text", true, 40), ScrambleItem("token", 7), ""}),
        Seed(Numbers(2, 0), {"HKEY_LOCAL_MACHINE\\Software\\X", std::string("a\0b\0\0", 5), ""}),
    };
    for (size_t i = 0; i < kTextDefaultCount; ++i)
        seeds.push_back(Seed(Numbers(0x21 + i, 0x4159), {kTextDefaults[i].text, "Confirm", kDefaultButtons}));
    return seeds;
}

std::vector<std::string> DescriptorSeeds() {
    return {
        Seed(Numbers(255, 0x1E0E0C), {"|255|255|1|0|255|255|", "86400", "3974000000", "1", "7", "0", "360"}),
        Seed(Numbers(1, 30), {"Prod.INFO", "-5", "99999999999", "x", "", "1"}),
        Seed(Numbers(0x0A0908, 0), {"http://host/Prod.INFO", "0", "0", "0"}),
    };
}

std::vector<std::string> AgentSeeds() {
    const std::string inform = Scramble("|" + ScrambleItem("token", 3) + "|2|x|News: <b>new</b>", true);
    return {
        Seed(Numbers(7, 0x0200000001), {"<InstallDir>Prod.exe", "C:\\Program Files\\Prod", "", "", "C:\\Windows",
                                        "user", "PC", "-", inform, "3,4"}),
        Seed(Numbers(15, 3), {"|<Application Folder>\\<InstallDir>\\a.exe|<WinDir>|<Date=7>|<RunTimeDir_3>|", "D:\\P",
                              "\\\\srv\\c", "X", "", "", "", "", "|t|a|b|body", ""}),
        Seed(Numbers(3, 0), {"|<Port>=8080| <ServiceDir>..\\x", "", "|<Port> =1|", "|C:\\S\\s.exe|", "", "", "", "",
                             "no bars", "Don't Shut Down"}),
    };
}

std::vector<std::string> HttpSeeds(const std::vector<std::string>& packages) {
    return {
        Seed(Numbers(206, 200), {"bytes 100-199/200", "C:\\T\\Full.exe", "token"}),
        Seed(Numbers(200, 10), {"bytes */200", "x", "y"}),
        Seed(Numbers(404, 5000000), {"<HTML><HEAD><TITLE>404 Not Found</TITLE></HEAD> Microsoft-IIS/10",
                                     "http://h/Full.exe", "Size: <SIZE> MB", "4096"}),
        Seed(Numbers(206, 0), {packages.empty() ? std::string() : packages[0], "t", "t"}),
    };
}

}  // namespace
}  // namespace rv::fuzz

int main(int argc, char** argv) {
    using namespace rv::fuzz;
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds OUTPUT_FOLDER\n");
        return 2;
    }
    const fs::path out = argv[1];
    const fs::path scratch = out / "scratch";
    fs::create_directories(scratch);
    const std::vector<std::string> packages = PackageSeeds(scratch);
    fs::remove_all(scratch);
    Save(out / "package", packages);
    Save(out / "text", TextSeeds());
    Save(out / "descriptors", DescriptorSeeds());
    Save(out / "http", HttpSeeds(packages));
    Save(out / "agent", AgentSeeds());
    return 0;
}
