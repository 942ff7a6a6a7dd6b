#include "tests/sweep/damage.h"

#include "base/numbers.h"
#include "builder/sha256.h"
#include "format/byte_source.h"
#include "format/bytes.h"
#include "format/package_format.h"
#include "tests/unit/test_util.h"

namespace rv::sweep {

namespace {

constexpr uint8_t kFlips[] = {0xFF, 0x01};
constexpr int kSampledBytesPerRecord = 12;
constexpr int kSampledCuts = 40;

class CaseList {
public:
    explicit CaseList(const Volumes& package) : package_(package) {}

    void FlipBytes(const std::string& kind, size_t volume, uint64_t from, uint64_t count) {
        for (uint64_t at = from; at < from + count && at < package_[volume].size(); ++at)
            for (uint8_t mask : kFlips) {
                Volumes v = package_;
                v[volume][at] = static_cast<char>(v[volume][at] ^ mask);
                Add(kind, volume, "byte " + IntText(static_cast<long long>(at)) + " ^ " + IntText(mask), v);
            }
    }

    void Cut(const std::string& kind, size_t volume, uint64_t at) {
        // A volume cut to nothing is a missing one; "2 missing" covers it.
        if (at == 0 || at >= package_[volume].size()) return;
        Volumes v = package_;
        v[volume].resize(at);
        Add(kind, volume, "cut at " + IntText(static_cast<long long>(at)), v);
    }

    void Append(size_t volume, const std::string& junk, const std::string& what) {
        Volumes v = package_;
        v[volume] += junk;
        Add("appended junk", volume, what, v);
    }

    void Add(const std::string& kind, size_t volume, const std::string& detail, const Volumes& v) {
        cases_.push_back({kind, "volume " + IntText(static_cast<long long>(volume + 1)) + ", " + detail, v});
    }

    std::vector<DamagedCase> Take() { return std::move(cases_); }

private:
    const Volumes& package_;
    std::vector<DamagedCase> cases_;
};

void DamageVolume(CaseList& list, const std::string& volume, size_t index, int blockCount) {
    const Regions r = RegionsOf(volume, blockCount);
    list.FlipBytes("trailer byte", index, r.trailerStart, kTrailerSize);
    for (uint64_t block : r.blockStarts) list.FlipBytes("block length", index, block, 4);
    for (size_t i = 0; i < r.recordStarts.size(); ++i) {
        const uint64_t start = r.recordStarts[i], end = r.recordEnds[i];
        list.FlipBytes("record length", index, start, 4);
        const uint64_t body = end - start - 4;
        for (int k = 0; k < kSampledBytesPerRecord && body > 0; ++k) {
            // The first, the last and evenly spread bytes between them.
            const uint64_t at = start + 4 + (body - 1) * k / (kSampledBytesPerRecord - 1);
            if (k > 0 && at == start + 4 + (body - 1) * (k - 1) / (kSampledBytesPerRecord - 1)) continue;
            list.FlipBytes("record byte", index, at, 1);
        }
    }
    std::vector<uint64_t> bounds = {r.blockOffset, r.trailerStart, r.trailerStart + trailer_offset::kChecksum,
                                    volume.size() - 4};
    for (uint64_t b : r.blockStarts) bounds.insert(bounds.end(), {b, b + 4});
    for (uint64_t b : r.recordStarts) bounds.insert(bounds.end(), {b, b + 4});
    for (uint64_t b : r.recordEnds) bounds.push_back(b);
    for (uint64_t b : bounds)
        for (uint64_t at : {b - 1, b, b + 1}) list.Cut("cut at a boundary", index, at);
    for (int k = 1; k <= kSampledCuts; ++k) list.Cut("cut at an offset", index, volume.size() * k / (kSampledCuts + 1));
    const std::string trailer = volume.substr(r.trailerStart);
    list.Append(index, test::PatternBytes(1, 1), "1 byte");
    list.Append(index, test::PatternBytes(73, 2), "73 bytes");
    list.Append(index, test::PatternBytes(74, 3), "74 bytes");
    list.Append(index, test::PatternBytes(75, 4), "75 bytes");
    list.Append(index, test::PatternBytes(4096, 5), "4096 bytes");
    list.Append(index, test::PatternBytes(100000, 6), "100000 bytes");
    list.Append(index, trailer, "a copy of the trailer");
    list.Append(index, std::string(4096, '\0') + trailer, "zeros and a copy of the trailer");
}

void SwapVolumes(CaseList& list, const Volumes& package, const Volumes& other) {
    if (package.size() < 3) return;
    auto add = [&](const std::string& what, Volumes v) { list.Add("swapped volume", 0, what, v); };
    Volumes v = package;
    std::swap(v[1], v[2]);
    add("2 and 3 swapped", v);
    v = package;
    v[1] = v[2];
    add("3 in place of 2", v);
    v = package;
    v[2] = v[1];
    add("2 in place of 3", v);
    v = package;
    v[1] = package[0];
    add("1 in place of 2", v);
    if (other.size() > 1) {
        v = package;
        v[1] = other[1];
        add("2 of another build", v);
    }
    v = package;
    v[1].clear();
    add("2 missing", v);
    v = package;
    v.back().clear();
    add("the last missing", v);
}

}  // namespace

Regions RegionsOf(const std::string& volume, int blockCount) {
    Regions r;
    if (volume.size() < kTrailerSize) return r;
    r.trailerStart = volume.size() - kTrailerSize;
    r.blockOffset = GetU32(Bytes(volume) + r.trailerStart + trailer_offset::kBlockOffset);
    uint64_t at = r.blockOffset;
    for (int count = 0; at + 4 <= r.trailerStart; ++count) {
        const int64_t length = static_cast<int32_t>(GetU32(Bytes(volume) + at));
        const uint64_t end =
            at + 4 +
            static_cast<uint64_t>(count < blockCount ? static_cast<uint32_t>(length) : (length > 0 ? length : -length));
        if (count < blockCount) {
            r.blockStarts.push_back(at);
        } else {
            r.recordStarts.push_back(at);
            r.recordEnds.push_back(end);
        }
        at = end;
    }
    return r;
}

std::vector<DamagedCase> DamagedCases(const Volumes& package, const Volumes& other, int blockCount) {
    CaseList list(package);
    for (size_t i = 0; i < package.size(); ++i) DamageVolume(list, package[i], i, blockCount);
    SwapVolumes(list, package, other);
    return list.Take();
}

namespace {

// A chained package names each later volume by its digest, which the new
// checksum field changes: the volume before is made to name the changed one
// (last first), so that only the checksum test is off.
void Rechain(Volumes& volumes) {
    for (size_t k = volumes.size(); k-- > 1;) {
        std::string& before = volumes[k - 1];
        if (before.size() < kTrailerSize + kRecordsPadding + kNextVolumeRecordSize) continue;
        const size_t digestAt = before.size() - kTrailerSize - kRecordsPadding - kVolumeDigestSize;
        if (before.compare(digestAt - kNextVolumeTagSize, kNextVolumeTagSize, kNextVolumeTag) != 0) continue;
        MemorySource next(volumes[k]);
        builder::PortableSha256 sha;
        VolumeDigest digest{};
        DigestOf(next, sha, digest, [] {});
        before.replace(digestAt, digest.size(), reinterpret_cast<const char*>(digest.data()), digest.size());
    }
}

}  // namespace

Volumes WithChecksumsDisabled(Volumes volumes) {
    for (std::string& v : volumes)
        if (v.size() >= kTrailerSize)
            PutU32(reinterpret_cast<uint8_t*>(&v[v.size() - kTrailerSize + trailer_offset::kChecksum]),
                   kChecksumDisabled);
    Rechain(volumes);
    return volumes;
}

}  // namespace rv::sweep
