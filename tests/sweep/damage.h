// The damage the corruption sweep does to a package: every byte of the
// trailers and block headers flipped, sampled bytes of every record and its
// length field, truncation at every region boundary and at sampled offsets,
// junk appended, and swapped, replaced or missing volumes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace rv::sweep {

using Volumes = std::vector<std::string>;  // volume 1 first; an empty one is missing

struct DamagedCase {
    std::string kind;    // the table row
    std::string detail;  // what exactly was changed, for the failure list
    Volumes volumes;
};

// Where the parts of one volume lie, found by walking its length fields
// from the trailer's block offset (as the stub does), independent of the
// reader under test. The trailer ends the volume: the sweep's packages have
// nothing behind it before they are damaged.
struct Regions {
    uint64_t blockOffset = 0;
    std::vector<uint64_t> blockStarts;   // each block's length field
    std::vector<uint64_t> recordStarts;  // each file record's length field
    std::vector<uint64_t> recordEnds;
    uint64_t trailerStart = 0;
};
Regions RegionsOf(const std::string& volume, int blockCount);

// Every damaged copy of a package. `other` is a second build of the same
// project with other content, for the replaced volume.
std::vector<DamagedCase> DamagedCases(const Volumes& package, const Volumes& other, int blockCount);

// Every trailer's checksum set to the value that disables the test.
Volumes WithChecksumsDisabled(Volumes volumes);

}  // namespace rv::sweep
