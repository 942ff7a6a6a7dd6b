// Reading setup files back: the volumes, their records and their settings,
// for the `list`, `verify`, `extract` and `info` commands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "format/package_reader.h"
#include "format/trailer.h"

namespace rv::builder {

// How a later volume is tied to the one before it: by the digest that
// volume names (a chained package), or only by its number and time stamp.
enum class VolumeLink { NotNamed, Matches, Differs };

struct VolumeInfo {
    std::string path;
    uint64_t fileSize = 0;
    uint64_t length = 0;  // the package's own length: recorded, else the file size
    bool hasRecordedLength = false;
    bool checksumPasses = false;
    bool checksumTested = false;  // false: disabled, or the volume is too large for its rule
    ChecksumRule rule = ChecksumRule::SizeLimit;
    VolumeLink link = VolumeLink::NotNamed;
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
// would leave the folder, and names that pass through a symbolic link
// already in it, are refused before anything of them is written; a failed
// extraction removes the files and folders it made.
PackageContents ExtractPackage(const std::string& firstVolume, const std::string& folder);

}  // namespace rv::builder
