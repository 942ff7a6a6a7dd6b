// File records: the framing, the header list and the zlib codec.
//
//   i32 length   > 0: a zlib stream (RFC 1950) of that many bytes follows
//                <= 0: |length| stored bytes follow
//   body         header, NUL, file content
//
// The header is a "|" list: item 0 the relative file name, item 1 the file
// time as the packed DOS date (high 16 bits) and time (low 16 bits), 0 or
// missing for none. A "*" in item 0 marks the setup program: the name is the
// part before it, and what follows are extra parameters for that program. A
// "*" anywhere else marks nothing and makes the header damaged: what runs
// must be the name that was checked, with nothing of the other items.
// Records of the same name append to one file; that is how a file continues
// from one volume into the next.
#pragma once

#include <cstdint>
#include <string>

#include "format/byte_source.h"
#include "format/volume_digest.h"

namespace rv {

struct RecordHeader {
    std::string text;             // the header as stored
    std::string name;             // relative file name, "*" part removed
    uint32_t fileTime = 0;        // packed DOS date and time, 0 = none
    bool isSetup = false;         // item 0 holds the "*"
    std::string setupCommand;     // item 0 of the setup record: name, "*", parameters
    std::string setupParameters;  // what follows the "*"
    bool strayMarker = false;     // a "*" outside item 0: the header is damaged
};

RecordHeader ParseRecordHeader(const std::string& text);
std::string MakeRecordHeader(const std::string& name, uint32_t fileTime);
std::string MakeSetupRecordHeader(const std::string& name, const std::string& parameters, uint32_t fileTime);

// True when a stored name stays inside the destination folder and names a
// file there: relative, no drive, no ".." component, no empty component, no
// device-like characters, no component that Windows reads as a device (CON,
// NUL, COM1, ... with any extension) or as another name (a final dot or
// blank is dropped: "setup.exe." opens "setup.exe"). Both "\" and "/"
// separate components.
bool IsSafeRelativeName(const std::string& name);
// Why a stored name is not safe, for the builder's message; empty when it is.
std::string UnsafeNameReason(const std::string& name);

// Frames a record: compressed with zlib at `level`, or stored when level is 0
// or compression would not make it smaller.
std::string EncodeRecord(const std::string& header, const std::string& content, int level);

// Receives the decoded body of a record.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    // The header, once its NUL was seen; false stops the record.
    virtual bool Begin(const std::string& header) = 0;
    virtual bool Write(const uint8_t* data, size_t n) = 0;
    // The record's body ended whole; false fails the record.
    virtual bool End() { return true; }
    // Called after every piece read; the stub dispatches its window messages.
    virtual void Idle() {}
};

enum class RecordStatus {
    Ok,
    Truncated,   // the length runs past the end of the records
    BadStream,   // inflating failed; `message` holds zlib's text
    BadHeader,   // no NUL within the header limit
    SinkFailed,  // the sink refused the header or a write
};

struct RecordResult {
    RecordStatus status = RecordStatus::Ok;
    std::string message;
    uint64_t next = 0;  // offset behind the record
    bool compressed = false;
    uint64_t bodySize = 0;   // bytes of the body as stored
    bool hadHeader = false;  // false: an empty body or header, skipped
    // A next-volume record (package_format.h); ReadVolumeRecords keeps the
    // volume's last one.
    bool namesNextVolume = false;
    VolumeDigest nextVolume{};
};

// Bodies and headers are read in pieces of this size, never whole.
constexpr size_t kRecordPiece = 65536;
constexpr size_t kMaxHeader = 32768;

// Reads the record at `offset`; its body must end at or before `end`. With
// no sink the body is only skipped.
RecordResult ReadRecord(ByteSource& src, uint64_t offset, uint64_t end, RecordSink* sink);

class PackageReader;
// Reads the records of one volume as extraction does: from the first
// leading block on, the leading blocks (as many as the trailer counts) read
// as records and skipped, at least one record and then while more than a
// trailer's length remains. Stops at the first record that is not Ok.
RecordResult ReadVolumeRecords(ByteSource& src, const PackageReader& reader, RecordSink& sink);

// The first volume that the launcher of a package spanned over disks names
// by digest; false for a launcher of an older builder, which names none.
// Nothing is extracted from a launcher: any other record fails the read.
bool FirstVolumeNamedBy(ByteSource& launcher, VolumeDigest& digest);

}  // namespace rv
