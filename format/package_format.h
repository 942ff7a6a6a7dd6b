// The setup package: one byte map shared by the stub and the builder.
//
// A package file (and every volume of a spanned package) is laid out as:
//
//   0        stub image, "MZ" at 0 and its PE header at 256 exactly
//   248      recorded length, inside the DOS area: high 32 bits at 248,
//            low 32 bits at 252, of the whole file (trailer included);
//            0 = none. Honoured only when "PE" stands at 256.
//   B        leading blocks, B = trailer.blockOffset; each is
//              u32 length, then length bytes
//              1. language block  (0x02-delimited sections of
//                 0x01-delimited "key=value" items, item 0 the language)
//              2. update block    ("|"-delimited, five items)
//              3. internet block  ("|"-delimited, five items; only when
//                 trailer.blockCount is 3)
//   ...      file records up to the trailer, each
//              i32 length: > 0 a zlib stream of that many bytes,
//                          <= 0 |length| stored bytes
//              body: header list, NUL, file content
//   L - 74   trailer, ending at the recorded length or the end of file
//
// Trailer (74 bytes, little-endian):
//   0  u8   reserved, 1          28 u32[9] required space per cluster size
//   1  u8   leading block count  64 u8   volume number (reserved, 0, in
//   2  u16  trailer check               older packages)
//           (reserved, 0, in     65 u8   flags (kFlag*)
//           older packages)
//   4  u32  first block offset   66 u8   internet-download stub
//   8  u32  file record count    67 u8   confirm before downloading
//   12 u32  magic 0x4A3B2C1D     68 u8   write a fresh update agent
//   16 u32  package checksum     69 u8   this file is the update agent
//   20 i64  build time stamp     70 u32  trailer length, 74
//           (seconds since 1899-12-30 00:00 local time)
//
// The package checksum covers neither the trailer nor the last bytes before
// it. So that damage there is seen too, our builder fills two reserved
// fields: a check of the trailer's other bytes, and the volume's number;
// it ends every volume's records with kRecordsPadding zero bytes (two empty
// stored records, which every reader skips). Readers test the two fields
// only when they are not 0, so packages of older builders still read.
//
// Two flag bits that older stubs never test mark what else our builder
// seals (packages without them keep the older rules):
//   kFlagSealed        the package checksum is computed whatever the
//                      volume's size (older packages: not above
//                      kChecksumSizeLimit), and over the whole recorded
//                      length, not its low 32 bits.
//   kFlagChainedVolumes every volume that continues ends its records with a
//                      next-volume record: a stored record with an empty
//                      header (every reader skips it) whose content is
//                      kNextVolumeTag and the SHA-256 of the whole next
//                      volume file. Volume 1 thus commits to every later
//                      volume; a disk swapped for another with the same
//                      number and time stamp fails before it is used.
//
//   next-volume record: i32 -(1 + 8 + 32), NUL, "RvNextV1", 32-byte digest
#pragma once

#include <cstddef>
#include <cstdint>

namespace rv {

constexpr uint32_t kPackageMagic = 0x4A3B2C1D;
constexpr size_t kTrailerSize = 74;
constexpr size_t kPeHeaderOffset = 256;
constexpr size_t kRecordedLengthOffset = 248;
constexpr size_t kRecordedLengthSize = 8;
// A file with a recorded length is checksummed from here, past the DOS area
// that holds the length itself.
constexpr uint64_t kChecksumStartWithRecordedLength = 512;
// Larger files are not checksummed; the test then passes.
constexpr uint64_t kChecksumSizeLimit = 52428800;
// Stored as the checksum, or computed, this value disables the test.
constexpr uint32_t kChecksumDisabled = 1234;

namespace trailer_offset {
constexpr size_t kReserved0 = 0;
constexpr size_t kBlockCount = 1;
constexpr size_t kTrailerCheck = 2;
constexpr size_t kBlockOffset = 4;
constexpr size_t kRecordCount = 8;
constexpr size_t kMagic = 12;
constexpr size_t kChecksum = 16;
constexpr size_t kTimeStamp = 20;
constexpr size_t kRequiredSpace = 28;
constexpr size_t kVolumeNumber = 64;
constexpr size_t kFlags = 65;
constexpr size_t kInternetSetup = 66;
constexpr size_t kConfirmDownload = 67;
constexpr size_t kWriteAgent = 68;
constexpr size_t kIsAgent = 69;
constexpr size_t kLength = 70;
}  // namespace trailer_offset

static_assert(trailer_offset::kRequiredSpace + 9 * 4 == trailer_offset::kVolumeNumber,
              "nine required-space entries fill offsets 28..63");
static_assert(trailer_offset::kLength + 4 == kTrailerSize, "the length field ends the trailer");
static_assert(kRecordedLengthOffset + kRecordedLengthSize == kPeHeaderOffset,
              "the recorded length ends where the PE header begins");

// Zero bytes behind a volume's last record: the checksum leaves out the last
// 8 bytes before the trailer.
constexpr size_t kRecordsPadding = 8;

// Bits of the trailer's flag byte.
constexpr uint8_t kFlagAlwaysShowTempNotice = 1 << 0;
constexpr uint8_t kFlagContinuesInNextVolume = 1 << 1;
constexpr uint8_t kFlagSpannedOverDisks = 1 << 2;
constexpr uint8_t kFlagShowActivityBar = 1 << 3;
constexpr uint8_t kFlagDebugTrace = 1 << 4;
constexpr uint8_t kFlagSealed = 1 << 5;
constexpr uint8_t kFlagChainedVolumes = 1 << 6;

// The next-volume record (see above).
constexpr char kNextVolumeTag[] = "RvNextV1";
constexpr size_t kNextVolumeTagSize = sizeof kNextVolumeTag - 1;
constexpr size_t kVolumeDigestSize = 32;
constexpr size_t kNextVolumeRecordSize = 4 + 1 + kNextVolumeTagSize + kVolumeDigestSize;

// Required-space entries, by cluster size: below 512, then 512 .. 32768,
// then 65536 or more.
constexpr size_t kRequiredSpaceEntries = 9;

// Delimiters of the language block.
constexpr char kSectionDelimiter = '\x02';
constexpr char kItemDelimiter = '\x01';

// Item indexes of the update block.
namespace update_item {
constexpr int kAgentSettings = 0;
constexpr int kDescriptorName = 1;
constexpr int kProgramName = 2;
constexpr int kScrambledValue = 3;
constexpr int kBackground = 4;
}  // namespace update_item

// Item indexes of the internet block.
namespace internet_item {
constexpr int kBase = 0;
constexpr int kSetupFileName = 1;
constexpr int kAlwaysDownload = 2;
constexpr int kToken = 3;
constexpr int kSize = 4;
}  // namespace internet_item

}  // namespace rv
