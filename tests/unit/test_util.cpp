#include "tests/unit/test_util.h"

#include <cstdlib>
#include <filesystem>

#include "builder/sha256.h"
#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/std_file.h"
#include "format/volumes.h"

namespace rv::test {

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "rvtest.XXXXXX").string();
    path_ = mkdtemp(&tmpl[0]);
}

TempDir::~TempDir() { std::filesystem::remove_all(path_); }

std::string FakeStubImage(size_t size, size_t peOffset) {
    std::string image = PatternBytes(size, 7);
    image[0] = 'M';
    image[1] = 'Z';
    for (size_t i = 248; i < 256 && i < size; ++i) image[i] = '\0';
    if (peOffset + 4 <= size) image.replace(peOffset, 4, std::string("PE\0\0", 4));
    // One section whose data runs to the end, so the headers account for
    // every byte, as in a linked image.
    const size_t coff = peOffset + 4, section = coff + 20, data = section + 40;
    if (data <= size) {
        uint8_t* p = reinterpret_cast<uint8_t*>(&image[0]);
        PutU32(p + 0x3C, static_cast<uint32_t>(peOffset));
        image.replace(coff, 60, std::string(60, '\0'));
        PutU16(p + coff + 2, 1);
        PutU32(p + section + 16, static_cast<uint32_t>(size - data));
        PutU32(p + section + 20, static_cast<uint32_t>(data));
    }
    return image;
}

std::string LanguageBlock(const std::vector<std::vector<std::string>>& sections) {
    std::string block(1, kSectionDelimiter);
    for (const auto& items : sections) {
        std::string section(1, kItemDelimiter);
        for (const auto& item : items) section += item + kItemDelimiter;
        block += section + kSectionDelimiter;
    }
    return block;
}

namespace {
class CollectingSink final : public RecordSink {
public:
    explicit CollectingSink(ExtractedPackage& out) : out_(out) {}
    bool Begin(const std::string& header) override {
        out_.headers.push_back(header);
        name_ = ParseRecordHeader(header).name;
        out_.files[name_];
        return true;
    }
    bool Write(const uint8_t* data, size_t n) override {
        out_.files[name_].append(reinterpret_cast<const char*>(data), n);
        return true;
    }

private:
    ExtractedPackage& out_;
    std::string name_;
};
}  // namespace

ExtractedPackage ReadPackage(const std::string& firstVolume) {
    ExtractedPackage out;
    CollectingSink sink(out);
    const std::string base = VolumeBaseName(firstVolume);
    for (int n = 1;; ++n) {
        StdFileSource src(n == 1 ? firstVolume : VolumeName(base, n));
        if (!src.IsOpen()) break;
        ++out.volumes;
        if (!VerifyPackageChecksum(src)) out.allChecksumsPass = false;
        const PackageReader reader(src);
        if (!reader.HasPackage() || ReadVolumeRecords(src, reader, sink).status != RecordStatus::Ok) {
            out.damaged = true;
            break;
        }
        if (!reader.trailer().Flag(kFlagContinuesInNextVolume)) break;
    }
    return out;
}

bool WritePackage(const PackageSettings& settings, const std::string& path,
                  const std::vector<std::pair<std::string, std::string>>& files) {
    PackageWriter writer(settings, path);
    for (const auto& [name, content] : files) {
        writer.BeginFile(content.size());
        if (!writer.AddRecord(MakeRecordHeader(name, 0), content)) return false;
    }
    return writer.Finish();
}

std::vector<std::string> WriteVolumes(const PackageKind& kind, PackageSettings settings, const std::string& path,
                                      const std::vector<std::pair<std::string, std::string>>& records) {
    settings.level = kind.level;
    settings.recordLength = kind.recordLength;
    settings.volumeSize = kind.volumeSize;
    settings.hasInternetBlock = settings.internetSetup = kind.internet;
    builder::PortableSha256 sha;
    settings.volumeDigest = &sha;
    PackageWriter writer(settings, path);
    for (const auto& [header, content] : records) {
        writer.BeginFile(content.size());
        writer.AddRecord(header, content);
    }
    std::vector<std::string> volumes;
    if (!writer.Finish()) return volumes;
    for (const std::string& v : writer.volumePaths()) {
        volumes.emplace_back();
        ReadWholeFile(v, volumes.back());
        std::filesystem::remove(v);
    }
    return volumes;
}

std::string PatternBytes(size_t size, unsigned seed) {
    std::string s(size, '\0');
    unsigned x = seed * 2654435761u + 1;
    for (char& c : s) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return s;
}

}  // namespace rv::test
