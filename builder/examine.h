// Reading setup files back: the volumes, their records and their settings,
// for the `list`, `verify`, `extract` and `info` commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/trailer.h"

namespace rv::builder {

struct VolumeInfo {
    std::string path;
    uint64_t fileSize = 0;
    uint64_t length = 0;  // the package's own length: recorded, else the file size
    bool hasRecordedLength = false;
    bool checksumPasses = false;
    bool checksumTested = false;  // false: disabled, or the volume is too large to be tested
    Trailer trailer;
};

struct FileEntry {
    std::string name;
    uint64_t size = 0;
    size_t records = 0;
    uint32_t fileTime = 0;
    bool isSetup = false;
    std::string setupParameters;
};

struct PackageContents {
    std::vector<VolumeInfo> volumes;
    std::vector<FileEntry> files;                           // in the order of their first record
    std::string languageBlock, updateBlock, internetBlock;  // of the first volume
};

enum class Checksums { Report, Require };

// Reads every volume from the first on and every record in them. With
// Checksums::Require a volume whose checksum fails stops the reading.
// Throws CliError: kExitInput for a first volume that cannot be opened,
// kExitDamaged naming the volume for anything wrong inside.
PackageContents ReadContents(const std::string& firstVolume, Checksums checksums);

// The volumes and blocks only, without reading the records.
PackageContents ReadSettings(const std::string& firstVolume);

// Writes every file below `folder` (created when missing), appending
// records of the same name and giving each file its stored time. Names that
// would leave the folder are refused before anything of them is written.
PackageContents ExtractPackage(const std::string& firstVolume, const std::string& folder);

}  // namespace rv::builder
