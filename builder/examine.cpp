#include "builder/examine.h"

#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <map>
#include <system_error>

#include "base/numbers.h"
#include "builder/cli_error.h"
#include "builder/sha256.h"
#include "builder/stub_image.h"
#include "builder/time_stamp.h"
#include "format/package_reader.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/std_file.h"
#include "format/volumes.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

// Collects what the records hold, refusing names that could not be
// extracted safely; subclasses also write the content.
class CatalogSink : public RecordSink {
public:
    bool Begin(const std::string& text) override {
        const RecordHeader h = ParseRecordHeader(text);
        if (!IsSafeRelativeName(h.name)) return Refuse("unsafe file name '" + h.name + "' in a record header");
        auto [it, isNew] = index_.emplace(h.name, files_.size());
        if (isNew) files_.push_back(FileEntry{h.name, 0, 0, h.fileTime, h.isSetup, ""});
        current_ = &files_[it->second];
        ++current_->records;
        if (h.isSetup) {
            current_->isSetup = true;
            current_->setupParameters = h.setupCommand.substr(h.setupCommand.find('*') + 1);
        }
        return Opened(*current_, isNew);
    }
    bool Write(const uint8_t* data, size_t n) override {
        current_->size += n;
        return Wrote(*current_, data, n);
    }

    std::vector<FileEntry>& files() { return files_; }
    const std::string& refusal() const { return refusal_; }
    ExitCode refusalCode() const { return refusalCode_; }

protected:
    virtual bool Opened(const FileEntry&, bool /*first record of the file*/) { return true; }
    virtual bool Wrote(const FileEntry&, const uint8_t*, size_t) { return true; }
    bool Refuse(const std::string& why, ExitCode code = kExitDamaged) {
        refusal_ = why;
        refusalCode_ = code;
        return false;
    }

private:
    std::vector<FileEntry> files_;
    std::map<std::string, size_t> index_;
    FileEntry* current_ = nullptr;
    std::string refusal_;
    ExitCode refusalCode_ = kExitDamaged;
};

class ExtractSink final : public CatalogSink {
public:
    explicit ExtractSink(fs::path folder) : folder_(std::move(folder)) {}

    fs::path TargetOf(const std::string& name) const {
        std::string relative = name;
        for (char& c : relative)
            if (c == '\\') c = '/';
        return folder_ / fs::path(relative);
    }

    // After a failure: the files written and the folders made, deepest first.
    void RemoveWritten() {
        out_.Close();
        std::error_code ec;
        for (const fs::path& f : files_) fs::remove(f, ec);
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) fs::remove(*it, ec);
    }

private:
    // Makes the folders below the destination one by one, so that none is
    // entered through a link that was there before (it could lead anywhere).
    bool MakeFoldersFor(const fs::path& target) {
        fs::path at = folder_;
        const fs::path relative = target.lexically_relative(folder_);
        for (auto part = relative.begin(); part != relative.end(); ++part) {
            at /= *part;
            std::error_code ec;
            const fs::file_status st = fs::symlink_status(at, ec);
            if (fs::is_symlink(st))
                return Refuse(at.string() + " is a symbolic link: nothing is written through it", kExitIo);
            if (std::next(part) == relative.end() || fs::exists(st)) continue;
            if (!fs::create_directory(at, ec)) return Refuse("cannot create " + at.string(), kExitIo);
            folders_.push_back(at);
        }
        return true;
    }

    bool Opened(const FileEntry& f, bool first) override {
        const fs::path target = TargetOf(f.name);
        if (!MakeFoldersFor(target)) return false;
        // A name already seen in this run continues its file; a fresh one
        // replaces whatever the folder held before.
        target_ = target.string();
        if (first) files_.push_back(target);
        return out_.Open(target_, first ? "wb" : "ab") || Refuse("cannot create " + target_, kExitIo);
    }
    bool Wrote(const FileEntry&, const uint8_t* data, size_t n) override {
        return out_.Write(data, n) || Refuse("cannot write " + target_, kExitIo);
    }
    bool End() override { return out_.Close() || Refuse("cannot write " + target_, kExitIo); }

    fs::path folder_;
    std::string target_;
    StdFile out_;
    std::vector<fs::path> files_, folders_;
};

std::string RecordProblem(const RecordResult& r) {
    switch (r.status) {
        case RecordStatus::Truncated: return "a record runs past the end of the volume";
        case RecordStatus::BadStream: return "a record does not inflate (zlib: " + r.message + ")";
        case RecordStatus::BadHeader: return "a record header has no end";
        case RecordStatus::SinkFailed:
        case RecordStatus::Ok: break;
    }
    return "";
}

[[noreturn]] void Damaged(const std::string& path, const std::string& what) {
    throw CliError(kExitDamaged, path + ": " + what);
}

bool StartsWithStubImage(ByteSource& src) {
    std::string head;
    return ReadExact(src, 0, kPeHeaderOffset + 4, head) && HasPeHeaderAt256(head);
}

// A download cut short keeps the stub image and loses the trailer at the
// end; a file of another kind has neither.
std::string WhyNoPackage(ByteSource& src) {
    if (src.Size() == 0) return "an empty file, not a setup file";
    std::string head;
    ReadExact(src, 0, static_cast<size_t>(std::min<uint64_t>(src.Size(), 65536)), head);
    if (PeImageEnd(head) == src.Size()) return "a bare stub image, not a setup file (no package after it)";
    if (StartsWithStubImage(src))
        return "truncated or still downloading: it starts with a stub image but has no package trailer";
    return "not a setup file (no stub image, no package trailer)";
}

std::string FirstVolumeNameOf(const std::string& path) {
    const size_t dot = path.rfind('.');
    const bool numbered = dot != std::string::npos && path.size() - dot == 4 &&
                          path.find_first_not_of("0123456789", dot + 1) == std::string::npos;
    return numbered ? path.substr(0, dot) + " (or " + path.substr(0, dot) + ".001)" : "the file without the number";
}

// The reason a path cannot be read as a setup file, before opening it.
void RequireReadableFile(const std::string& path) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found) throw CliError(kExitInput, path + ": cannot open: no such file");
    if (st.type() == fs::file_type::directory) throw CliError(kExitInput, path + ": a folder, not a setup file");
    if (st.type() != fs::file_type::regular) throw CliError(kExitInput, path + ": not a regular file");
}

VolumeInfo ReadVolume(const std::string& path, int number, ByteSource& src, PackageReader& reader) {
    VolumeInfo v;
    v.path = path;
    v.fileSize = src.Size();
    v.length = reader.layout().volumeLength;
    v.hasRecordedLength = reader.layout().hasRecordedLength;
    v.trailer = reader.trailer();
    if (!reader.HasPackage())
        Damaged(path, number == 1 ? WhyNoPackage(src) : "volume " + IntText(number) + " has no package trailer");
    if (number == 1 && !StartsWithStubImage(src))
        throw CliError(kExitInput, path +
                                       ": a later volume of a spanned package (it has no stub image); give the "
                                       "first volume, " +
                                       FirstVolumeNameOf(path));
    if (!reader.BlocksComplete()) Damaged(path, "the leading blocks run past the trailer");
    v.rule = RuleOf(reader.trailer());
    const uint32_t computed = ComputePackageChecksum(src, reader.layout(), reader.trailer().length, v.rule);
    v.checksumPasses = ChecksumPasses(reader.trailer().checksum, computed);
    v.checksumTested = reader.trailer().checksum != kChecksumDisabled && computed != kChecksumDisabled;
    return v;
}

// A package spanned over removable disks starts with a launcher: the stub
// and its blocks, marked as spanned, which the stub copies to the hard disk
// and restarts from; its files begin in <launcher>.001.
std::string FirstDataVolume(const std::string& path) {
    StdFileSource src(path);
    const PackageReader reader(src);
    const std::string data = path + ".001";
    return reader.trailer().Flag(kFlagSpannedOverDisks) && StdFileSource(data).IsOpen() ? data : path;
}

// A later volume of a chained package against the digest the volume before
// it names (known once that volume's records were read).
VolumeLink LinkOf(ByteSource& src, bool chained, const RecordResult& previous) {
    if (!chained || !previous.namesNextVolume) return VolumeLink::NotNamed;
    PortableSha256 sha;
    VolumeDigest digest{};
    return DigestOf(src, sha, digest, [] {}) && digest == previous.nextVolume ? VolumeLink::Matches
                                                                              : VolumeLink::Differs;
}

// Follows the volumes as the stub does: the next one exists while the
// trailer says the package continues.
PackageContents Walk(const std::string& given, Checksums checksums, CatalogSink* sink) {
    PackageContents contents;
    RequireReadableFile(given);
    RecordResult previous;
    bool chained = false;
    const std::string firstVolume = FirstDataVolume(given);
    const std::string base = VolumeBaseName(firstVolume);
    // The launcher of a package spanned over disks names its first volume
    // as each volume names the next (the launchers of older builders do not).
    StdFileSource launcher(given);
    const bool launcherNames = firstVolume != given && FirstVolumeNamedBy(launcher, previous.nextVolume);
    previous.namesNextVolume = launcherNames;
    for (int n = 1;; ++n) {
        const std::string path = n == 1 ? firstVolume : VolumeName(base, n);
        StdFileSource src(path);
        if (!src.IsOpen() && n == 1) throw CliError(kExitInput, path + ": cannot open: " + std::strerror(errno));
        if (!src.IsOpen()) Damaged(path, "volume " + IntText(n) + " of the package is missing");
        PackageReader reader(src);
        contents.volumes.push_back(ReadVolume(path, n, src, reader));
        VolumeInfo& volume = contents.volumes.back();
        if (n == 1) chained = reader.trailer().Flag(kFlagChainedVolumes);
        volume.link = LinkOf(src, n > 1 ? chained : launcherNames, previous);
        // A missing name counts only where records were read to find it.
        if (volume.link == VolumeLink::Differs || (sink && chained && n > 1 && volume.link == VolumeLink::NotNamed))
            Damaged(path, "does not match the digest " +
                              (n > 1 ? "volume " + IntText(n - 1) : std::string("the launcher")) +
                              " holds for it (damaged, or a volume of another package)");
        if (n == 1) {
            contents.languageBlock = reader.languageBlock();
            contents.updateBlock = reader.updateBlock();
            contents.internetBlock = reader.internetBlock();
        }
        if (checksums == Checksums::Require && !volume.checksumPasses)
            Damaged(path, "the package checksum does not match (the file is damaged)");
        if (sink) {
            previous = ReadVolumeRecords(src, reader, *sink);
            if (previous.status == RecordStatus::SinkFailed)
                throw CliError(sink->refusalCode(), path + ": " + sink->refusal());
            if (previous.status != RecordStatus::Ok) Damaged(path, RecordProblem(previous));
        }
        if (!reader.trailer().Flag(kFlagContinuesInNextVolume)) break;
    }
    if (sink) contents.files = std::move(sink->files());
    return contents;
}

void SetFileTime(const fs::path& target, uint32_t dosTime) {
    const std::time_t t = TimeFromDosFileTime(dosTime);
    if (t == -1) return;
    utimbuf times{t, t};
    if (utime(target.string().c_str(), &times) != 0)
        throw CliError(kExitIo, target.string() + ": cannot set the file time");
}

}  // namespace

PackageContents ReadContents(const std::string& firstVolume, Checksums checksums) {
    CatalogSink sink;
    return Walk(firstVolume, checksums, &sink);
}

PackageContents ReadSettings(const std::string& firstVolume) { return Walk(firstVolume, Checksums::Report, nullptr); }

PackageContents ExtractPackage(const std::string& firstVolume, const std::string& folder) {
    std::error_code ec;
    const bool made = !fs::exists(fs::symlink_status(folder, ec));
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw CliError(kExitIo, folder + ": cannot create the folder");
    ExtractSink sink{fs::path(folder)};
    try {
        PackageContents contents = Walk(firstVolume, Checksums::Require, &sink);
        for (const FileEntry& f : contents.files) SetFileTime(sink.TargetOf(f.name), f.fileTime);
        return contents;
    } catch (const CliError&) {
        sink.RemoveWritten();
        if (made) fs::remove(folder, ec);
        throw;
    }
}

}  // namespace rv::builder
