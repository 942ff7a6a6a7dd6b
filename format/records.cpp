#include "format/records.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/numbers.h"
#include "base/text.h"
#include "format/bytes.h"
#include "format/package_reader.h"

namespace rv {

RecordHeader ParseRecordHeader(const std::string& text) {
    RecordHeader h;
    h.text = text;
    const std::string item0 = ListField(text, 0);
    h.fileTime = static_cast<uint32_t>(ToInt64(ListField(text, 1), 0));
    const size_t star = item0.find('*');
    h.isSetup = star != std::string::npos;
    const size_t starsInHeader = static_cast<size_t>(std::count(text.begin(), text.end(), '*'));
    h.strayMarker = starsInHeader > static_cast<size_t>(std::count(item0.begin(), item0.end(), '*'));
    h.name = item0.substr(0, star);
    if (h.isSetup) {
        h.setupCommand = item0;
        h.setupParameters = item0.substr(star + 1);
    }
    return h;
}

std::string MakeRecordHeader(const std::string& name, uint32_t fileTime) {
    return "|" + name + "|" + IntText(fileTime) + "|";
}

std::string MakeSetupRecordHeader(const std::string& name, const std::string& parameters, uint32_t fileTime) {
    return MakeRecordHeader(name + "*" + parameters, fileTime);
}

namespace {

// Names the system opens as devices in every folder, whatever follows the
// first dot ("NUL.txt" is NUL) and with blanks before it. The superscript
// digits are those of the Windows-1252 code page.
bool IsDeviceName(const std::string& component) {
    static const char* const kDevices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    std::string base = component.substr(0, component.find('.'));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (const char* device : kDevices)
        if (SameText(base, device)) return true;
    if (base.size() != 4) return false;
    const std::string port = base.substr(0, 3);
    const unsigned char digit = static_cast<unsigned char>(base[3]);
    const bool portDigit = (digit >= '0' && digit <= '9') || digit == 0xB9 || digit == 0xB2 || digit == 0xB3;
    return portDigit && (SameText(port, "COM") || SameText(port, "LPT"));
}

std::string ComponentReason(const std::string& part) {
    if (part.empty()) return "an empty folder name";
    if (part == "." || part == "..") return "a \"" + part + "\" folder";
    for (unsigned char c : part)
        if (c < 0x20) return "a control character";
    if (part.back() == '.' || part.back() == ' ')
        return "\"" + part + "\" ends in a dot or a blank, which Windows drops";
    if (IsDeviceName(part)) return "\"" + part + "\" is a device name Windows reserves";
    return std::string();
}

}  // namespace

std::string UnsafeNameReason(const std::string& name) {
    if (name.empty()) return "an empty name";
    if (name.size() > 259) return "longer than 259 characters";
    if (name[0] == '\\' || name[0] == '/') return "an absolute path";
    if (name.find_first_of(":<>\"|?*") != std::string::npos) return "a reserved character (:<>\"|?*)";
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("\\/", start);
        if (end == std::string::npos) end = name.size();
        const std::string reason = ComponentReason(name.substr(start, end - start));
        if (!reason.empty()) return reason;
        start = end + 1;
    }
    return std::string();
}

bool IsSafeRelativeName(const std::string& name) { return UnsafeNameReason(name).empty(); }

namespace {

// Splits a decoded body at its first NUL and hands both parts to the sink.
class BodySplitter {
public:
    explicit BodySplitter(RecordSink* sink) : sink_(sink) {}

    RecordStatus Feed(const uint8_t* data, size_t n) {
        if (!sink_) return RecordStatus::Ok;
        if (inContent_ && skipping_) return Skip(data, n);
        if (inContent_) return sink_->Write(data, n) ? RecordStatus::Ok : RecordStatus::SinkFailed;
        const auto* nul = static_cast<const uint8_t*>(memchr(data, 0, n));
        const size_t headPart = nul ? static_cast<size_t>(nul - data) : n;
        if (header_.size() + headPart > kMaxHeader) return RecordStatus::BadHeader;
        header_.append(reinterpret_cast<const char*>(data), headPart);
        if (!nul) return RecordStatus::Ok;
        inContent_ = true;
        if (header_.empty()) {
            skipping_ = true;
            return Skip(nul + 1, n - headPart - 1);
        }
        if (!sink_->Begin(header_)) return RecordStatus::SinkFailed;
        began_ = true;
        const size_t rest = n - headPart - 1;
        return rest == 0 || sink_->Write(nul + 1, rest) ? RecordStatus::Ok : RecordStatus::SinkFailed;
    }

    bool began() const { return began_; }
    // The content of a skipped record, as far as a next-volume record goes.
    const std::string& skipped() const { return skipped_; }
    void Idle() {
        if (sink_) sink_->Idle();
    }

private:
    RecordStatus Skip(const uint8_t* data, size_t n) {
        const size_t keep = kNextVolumeRecordSize - skipped_.size();
        skipped_.append(reinterpret_cast<const char*>(data), n < keep ? n : keep);
        return RecordStatus::Ok;
    }

    RecordSink* sink_;
    std::string header_;
    std::string skipped_;
    bool inContent_ = false;
    bool skipping_ = false;
    bool began_ = false;
};

RecordStatus ReadStored(ByteSource& src, uint64_t at, uint64_t size, BodySplitter& body) {
    std::vector<uint8_t> piece(kRecordPiece);
    while (size > 0) {
        const size_t want = size < kRecordPiece ? static_cast<size_t>(size) : kRecordPiece;
        const size_t got = src.ReadAt(at, piece.data(), want);
        if (got != want) return RecordStatus::Truncated;
        const RecordStatus s = body.Feed(piece.data(), got);
        if (s != RecordStatus::Ok) return s;
        body.Idle();
        at += got;
        size -= got;
    }
    return RecordStatus::Ok;
}

RecordStatus ReadCompressed(ByteSource& src, uint64_t at, uint64_t size, BodySplitter& body, std::string& message) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) {
        message = zError(Z_MEM_ERROR);
        return RecordStatus::BadStream;
    }
    std::vector<uint8_t> in(kRecordPiece), out(kRecordPiece);
    RecordStatus status = RecordStatus::Ok;
    int rc = Z_OK;
    bool outputFull = false;
    while (status == RecordStatus::Ok && rc != Z_STREAM_END) {
        // A full output buffer may leave output pending inside zlib, so more
        // input is fetched only when the last call had room to spare.
        if (z.avail_in == 0 && !outputFull) {
            if (size == 0) {
                rc = Z_BUF_ERROR;  // the record ends inside the stream
                break;
            }
            const size_t want = size < kRecordPiece ? static_cast<size_t>(size) : kRecordPiece;
            if (src.ReadAt(at, in.data(), want) != want) {
                status = RecordStatus::Truncated;
                break;
            }
            at += want;
            size -= want;
            z.next_in = in.data();
            z.avail_in = static_cast<uInt>(want);
        }
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_NEED_DICT) rc = Z_DATA_ERROR;
        if (rc == Z_BUF_ERROR) rc = Z_OK;  // no progress: more input is needed
        if (rc < 0) break;
        outputFull = z.avail_out == 0;
        status = body.Feed(out.data(), out.size() - z.avail_out);
        body.Idle();
    }
    inflateEnd(&z);
    if (status == RecordStatus::Ok && rc != Z_STREAM_END) {
        message = zError(rc);
        status = RecordStatus::BadStream;
    }
    return status;
}

}  // namespace

RecordResult ReadRecord(ByteSource& src, uint64_t offset, uint64_t end, RecordSink* sink) {
    RecordResult r;
    std::string lengthField;
    if (offset + 4 > end || !ReadExact(src, offset, 4, lengthField)) {
        r.status = RecordStatus::Truncated;
        r.next = end;
        return r;
    }
    const int64_t length = static_cast<int32_t>(GetU32(Bytes(lengthField)));
    r.compressed = length > 0;
    r.bodySize = static_cast<uint64_t>(length > 0 ? length : -length);
    r.next = offset + 4 + r.bodySize;
    if (r.next > end) {
        r.status = RecordStatus::Truncated;
        r.next = end;
        return r;
    }
    if (!sink) return r;
    BodySplitter body(sink);
    r.status = r.compressed ? ReadCompressed(src, offset + 4, r.bodySize, body, r.message)
                            : ReadStored(src, offset + 4, r.bodySize, body);
    r.hadHeader = body.began();
    r.namesNextVolume =
        !r.compressed && r.status == RecordStatus::Ok && NextVolumeDigestIn(body.skipped(), r.nextVolume);
    if (r.status == RecordStatus::Ok && r.hadHeader && !sink->End()) r.status = RecordStatus::SinkFailed;
    return r;
}

RecordResult ReadVolumeRecords(ByteSource& src, const PackageReader& reader, RecordSink& sink) {
    const uint64_t end = reader.TrailerStart();
    uint64_t at = reader.trailer().blockOffset;
    RecordResult r;
    bool namesNext = false;
    VolumeDigest next{};
    for (unsigned count = 0;; ++count) {
        r = ReadRecord(src, at, end, count < reader.trailer().blockCount ? nullptr : &sink);
        if (r.namesNextVolume) {
            namesNext = true;
            next = r.nextVolume;
        }
        r.namesNextVolume = namesNext;
        r.nextVolume = next;
        if (r.status != RecordStatus::Ok) return r;
        at = r.next;
        if (at >= end) return r;
    }
}

namespace {

class NoFiles final : public RecordSink {
public:
    bool Begin(const std::string&) override { return false; }
    bool Write(const uint8_t*, size_t) override { return false; }
};

}  // namespace

bool FirstVolumeNamedBy(ByteSource& launcher, VolumeDigest& digest) {
    const PackageReader reader(launcher);
    if (!reader.HasPackage()) return false;
    NoFiles none;
    const RecordResult r = ReadVolumeRecords(launcher, reader, none);
    if (r.namesNextVolume) digest = r.nextVolume;
    return r.namesNextVolume;
}

std::string NextVolumeRecord(const VolumeDigest& digest) {
    std::string record;
    AppendU32(record, static_cast<uint32_t>(-static_cast<int32_t>(kNextVolumeRecordSize - 4)));
    record += '\0';
    record.append(kNextVolumeTag, kNextVolumeTagSize);
    record.append(reinterpret_cast<const char*>(digest.data()), digest.size());
    return record;
}

bool NextVolumeDigestIn(const std::string& content, VolumeDigest& digest) {
    if (content.size() != kNextVolumeTagSize + kVolumeDigestSize ||
        content.compare(0, kNextVolumeTagSize, kNextVolumeTag) != 0)
        return false;
    for (size_t i = 0; i < kVolumeDigestSize; ++i) digest[i] = static_cast<uint8_t>(content[kNextVolumeTagSize + i]);
    return true;
}

}  // namespace rv
