// Writes setup packages: the stub image, the leading blocks, the file
// records and the trailer, over one or several volumes. The inverse of
// PackageReader and ReadRecord; the builder and the test fixtures use it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "format/package_format.h"
#include "format/std_file.h"
#include "format/volume_digest.h"

namespace rv {

struct PackageSettings {
    std::string stubImage;  // must have its PE header at 256 for a recorded length
    std::string languageBlock, updateBlock, internetBlock;
    bool hasInternetBlock = false;
    uint8_t flags = 0;  // kFlag* bits; the continuation bit is the writer's
    bool internetSetup = false, confirmDownload = false, writeAgent = false, isAgent = false;
    int64_t timeStamp = 0;  // seconds since 1899-12-30, local time
    bool recordLength = false;
    uint64_t volumeSize = 0;  // largest volume file in bytes; 0 for one volume
    int level = 9;            // zlib level; 0 stores every record
    // Our packages are sealed (kFlagSealed); false writes one as older
    // builders did, for the tests of those.
    bool sealed = true;
    // When given, every volume that continues names the next one by its
    // digest (kFlagChainedVolumes).
    Sha256* volumeDigest = nullptr;
};

// True for an image with "MZ" at 0 and "PE\0\0" at 256: the only kind in
// which a recorded length is honoured.
bool HasPeHeaderAt256(const std::string& image);

// The required-space table for files of the given sizes: the exact sum for
// clusters below 512 bytes, else every size rounded up to whole clusters.
std::array<uint32_t, kRequiredSpaceEntries> RequiredSpaceTable(const std::vector<uint64_t>& sizes);

class PackageWriter {
public:
    PackageWriter(PackageSettings settings, std::string path);
    PackageWriter(const PackageWriter&) = delete;
    PackageWriter& operator=(const PackageWriter&) = delete;

    // Announces a file of `size` bytes; its records follow. Counts it for
    // progress and for the required space.
    void BeginFile(uint64_t size);
    // Adds a record of the current file. `framed`, when given, is
    // EncodeRecord(header, content, level) made ahead (on another thread).
    bool AddRecord(const std::string& header, const std::string& content, const std::string* framed = nullptr);
    // Writes the trailers and checksums. Nothing is usable before it.
    bool Finish();

    const std::string& error() const { return error_; }
    const std::vector<std::string>& volumePaths() const { return volumePaths_; }

private:
    bool Chained() const;
    bool OpenVolume();
    bool CloseVolume(bool continues);
    bool NameNextVolume(size_t volume);
    bool WriteFramed(const std::string& framed);
    uint64_t SpaceLeft() const;
    bool Fail(const std::string& why);
    bool WriteTrailer(size_t volume);

    PackageSettings s_;
    std::string path_;
    std::string blocks_;
    StdFile out_;
    uint64_t position_ = 0;
    bool volumeHasRecords_ = false;
    std::vector<std::string> volumePaths_;
    std::vector<uint64_t> volumeDataEnds_;
    std::vector<uint64_t> nextVolumeRecords_;  // where each continuing volume names the next
    std::vector<uint64_t> fileSizes_;
    std::string error_;
};

}  // namespace rv
