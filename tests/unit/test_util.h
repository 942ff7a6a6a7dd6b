// Fixtures shared by the native tests: a temp folder, a stand-in stub image,
// and a reader of whole packages built on the library's record reader.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "format/package_writer.h"

namespace rv::test {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string Path(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// An image that starts like a linked stub: "MZ", and "PE\0\0" at peOffset.
std::string FakeStubImage(size_t size, size_t peOffset = 256);

// A language block of sections, each given as its items ("English", "s0=...").
std::string LanguageBlock(const std::vector<std::vector<std::string>>& sections);

struct ExtractedPackage {
    std::map<std::string, std::string> files;  // name -> content
    std::vector<std::string> headers;          // every record header, in order
    int volumes = 0;
    bool allChecksumsPass = true;
    bool damaged = false;
};
// Follows the volumes from the first as the stub does and appends every
// record's content to its file.
ExtractedPackage ReadPackage(const std::string& firstVolume);

// Writes a package with one record per file: name -> content.
bool WritePackage(const PackageSettings& settings, const std::string& path,
                  const std::vector<std::pair<std::string, std::string>>& files);

std::string PatternBytes(size_t size, unsigned seed);

// A kind of package, as the corruption sweep and the fuzz seeds make them.
struct PackageKind {
    const char* name;
    int level;  // zlib level; 0 stores
    bool recordLength;
    uint64_t volumeSize;  // 0: one volume
    bool internet;        // an internet setup with its third block
};
// Writes a package of the kind at `path` (the settings give the stub image,
// the blocks and the time stamp) with one record per (header, content), and
// returns its volumes as read back, removing their files; empty when the
// writer failed.
std::vector<std::string> WriteVolumes(const PackageKind& kind, PackageSettings settings, const std::string& path,
                                      const std::vector<std::pair<std::string, std::string>>& records);

}  // namespace rv::test
