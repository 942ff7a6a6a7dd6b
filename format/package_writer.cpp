#include "format/package_writer.h"

#include <utility>

#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/trailer.h"
#include "format/volumes.h"

namespace rv {

namespace {

void AppendBlock(std::string& out, const std::string& block) {
    AppendU32(out, static_cast<uint32_t>(block.size()));
    out += block;
}

uint32_t Clamp32(uint64_t v) { return v > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(v); }

}  // namespace

bool HasPeHeaderAt256(const std::string& image) {
    return image.size() >= kPeHeaderOffset + 4 && image.compare(0, 2, "MZ") == 0 &&
           image.compare(kPeHeaderOffset, 4, std::string("PE\0\0", 4)) == 0;
}

std::array<uint32_t, kRequiredSpaceEntries> RequiredSpaceTable(const std::vector<uint64_t>& sizes) {
    std::array<uint64_t, kRequiredSpaceEntries> sum{};
    for (uint64_t size : sizes) {
        sum[0] += size;
        for (size_t i = 1; i < kRequiredSpaceEntries; ++i) {
            const uint64_t cluster = 512ull << (i - 1);
            sum[i] += (size + cluster - 1) / cluster * cluster;
        }
    }
    std::array<uint32_t, kRequiredSpaceEntries> table{};
    for (size_t i = 0; i < kRequiredSpaceEntries; ++i) table[i] = Clamp32(sum[i]);
    return table;
}

PackageWriter::PackageWriter(PackageSettings settings, std::string path)
    : s_(std::move(settings)), path_(std::move(path)) {
    AppendBlock(blocks_, s_.languageBlock);
    AppendBlock(blocks_, s_.updateBlock);
    if (s_.hasInternetBlock) AppendBlock(blocks_, s_.internetBlock);
    if (s_.recordLength && !HasPeHeaderAt256(s_.stubImage))
        Fail("the stub image has no PE header at offset 256, so a recorded length would be ignored");
    else
        OpenVolume();
}

bool PackageWriter::Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    out_.Close();
    return false;
}

bool PackageWriter::Chained() const { return s_.sealed && s_.volumeDigest && s_.volumeSize != 0; }

bool PackageWriter::OpenVolume() {
    const int n = static_cast<int>(volumePaths_.size()) + 1;
    const std::string path = n == 1 ? path_ : VolumeName(VolumeBaseName(path_), n);
    volumePaths_.push_back(path);
    if (!out_.Open(path, "wb")) return Fail("cannot create " + path);
    // Later volumes carry no stub image: the reader finds their blocks through
    // the trailer, and a disk holds more of the payload.
    const std::string head = n == 1 ? s_.stubImage + blocks_ : blocks_;
    const uint64_t least = head.size() + kRecordsPadding + kNextVolumeRecordSize + kTrailerSize + 64;
    if (s_.volumeSize != 0 && least > s_.volumeSize)
        return Fail("the volume size is too small for the stub and the leading blocks: at least " +
                    std::to_string(least) + " bytes");
    if (!out_.Write(head)) return Fail("cannot write " + path);
    position_ = head.size();
    volumeHasRecords_ = false;
    return true;
}

bool PackageWriter::CloseVolume(bool continues) {
    // The next volume's digest is known only once it is finished: Finish
    // fills the record in.
    if (continues && Chained()) {
        nextVolumeRecords_.push_back(position_);
        if (!WriteFramed(NextVolumeRecord(VolumeDigest{}))) return false;
    }
    if (!out_.Write(std::string(kRecordsPadding, '\0'))) return Fail("cannot write " + volumePaths_.back());
    position_ += kRecordsPadding;
    volumeDataEnds_.push_back(position_);
    return out_.Close() || Fail("cannot write " + volumePaths_.back());
}

uint64_t PackageWriter::SpaceLeft() const {
    if (s_.volumeSize == 0) return UINT64_MAX;
    const uint64_t used = position_ + kRecordsPadding + kTrailerSize + (Chained() ? kNextVolumeRecordSize : 0);
    return used < s_.volumeSize ? s_.volumeSize - used : 0;
}

void PackageWriter::BeginFile(uint64_t size) { fileSizes_.push_back(size); }

bool PackageWriter::WriteFramed(const std::string& framed) {
    if (!out_.Write(framed)) return Fail("cannot write " + volumePaths_.back());
    position_ += framed.size();
    volumeHasRecords_ = true;
    return true;
}

bool PackageWriter::AddRecord(const std::string& header, const std::string& content, const std::string* framed) {
    if (!error_.empty()) return false;
    std::string encoded = framed ? *framed : EncodeRecord(header, content, s_.level);
    std::string rest = content;
    for (;;) {
        if (encoded.size() <= SpaceLeft()) return WriteFramed(encoded);
        // Too big for this volume: write the part of the content that fits
        // and carry the rest, under the same name, into the next volume.
        size_t part = static_cast<size_t>(static_cast<double>(rest.size()) * SpaceLeft() / encoded.size());
        std::string piece;
        while (part > 0) {
            piece = EncodeRecord(header, rest.substr(0, part), s_.level);
            if (piece.size() <= SpaceLeft()) break;
            part = part * 9 / 10;
        }
        if (part > 0) {
            if (!WriteFramed(piece)) return false;
            rest.erase(0, part);
            encoded = EncodeRecord(header, rest, s_.level);
        } else if (!volumeHasRecords_) {
            return Fail("the volume size is too small for a single record");
        }
        if (!CloseVolume(true) || !OpenVolume()) return false;
    }
}

bool PackageWriter::WriteTrailer(size_t volume) {
    const std::string& path = volumePaths_[volume];
    const uint64_t dataEnd = volumeDataEnds_[volume];
    Trailer t;
    t.reserved0 = 1;
    t.blockCount = s_.hasInternetBlock ? 3 : 2;
    t.blockOffset = volume == 0 ? static_cast<uint32_t>(s_.stubImage.size()) : 0;
    // The extraction's progress range: one step per file and one per
    // change of volume.
    t.recordCount = static_cast<uint32_t>(fileSizes_.size() + volumePaths_.size() - 1);
    t.magic = kPackageMagic;
    t.timeStamp = s_.timeStamp;
    t.volumeNumber = static_cast<uint8_t>(volume + 1);
    t.requiredSpace = RequiredSpaceTable(fileSizes_);
    t.flags = static_cast<uint8_t>(s_.flags & ~(kFlagContinuesInNextVolume | kFlagSealed | kFlagChainedVolumes));
    if (volume + 1 < volumePaths_.size()) t.flags |= kFlagContinuesInNextVolume;
    if (s_.sealed) t.flags |= kFlagSealed;
    if (Chained()) t.flags |= kFlagChainedVolumes;
    t.internetSetup = s_.internetSetup;
    t.confirmDownload = s_.confirmDownload;
    t.writeAgent = s_.writeAgent;
    t.isAgent = s_.isAgent;
    t.length = kTrailerSize;
    const auto raw = EncodeTrailer(t);
    const uint64_t total = dataEnd + kTrailerSize;
    {
        StdFile f(path, "r+b");
        if (!f.Seek(dataEnd) || !f.Write(raw.data(), raw.size())) return Fail("cannot write " + path);
        if (volume == 0 && s_.recordLength) {
            uint8_t recorded[kRecordedLengthSize];
            PutRecordedLength(recorded, total);
            if (!f.Seek(kRecordedLengthOffset) || !f.Write(recorded, sizeof recorded))
                return Fail("cannot write " + path);
        }
        if (!f.Close()) return Fail("cannot write " + path);
    }
    // The checksum covers the finished file, so it is read back once written.
    uint32_t checksum = 0;
    {
        StdFileSource src(path);
        const PackageLayout layout = LocatePackage(src);
        checksum = ComputePackageChecksum(src, layout, kTrailerSize,
                                          s_.sealed ? ChecksumRule::AnySize : ChecksumRule::SizeLimit);
    }
    uint8_t field[4];
    PutU32(field, checksum);
    StdFile f(path, "r+b");
    if (!f.Seek(dataEnd + trailer_offset::kChecksum) || !f.Write(field, 4) || !f.Close())
        return Fail("cannot write " + path);
    return true;
}

bool PackageWriter::NameNextVolume(size_t volume) {
    VolumeDigest digest{};
    StdFileSource next(volumePaths_[volume + 1]);
    if (!DigestOf(next, *s_.volumeDigest, digest, [] {})) return Fail("cannot read " + volumePaths_[volume + 1]);
    const std::string record = NextVolumeRecord(digest);
    StdFile f(volumePaths_[volume], "r+b");
    if (!f.Seek(nextVolumeRecords_[volume]) || !f.Write(record) || !f.Close())
        return Fail("cannot write " + volumePaths_[volume]);
    return true;
}

// Last volume first: each volume is whole, trailer and checksum included,
// before the one in front of it takes its digest.
bool PackageWriter::Finish() {
    if (!error_.empty()) return false;
    if (!CloseVolume(false)) return false;
    for (size_t i = volumePaths_.size(); i-- > 0;) {
        if (i + 1 < volumePaths_.size() && Chained() && !NameNextVolume(i)) return false;
        if (!WriteTrailer(i)) return false;
    }
    return true;
}

}  // namespace rv
