#include "package/extraction.h"

#include <set>

#include "base/numbers.h"
#include "base/text.h"
#include "format/bytes.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/trailer.h"
#include "format/volumes.h"

namespace rv {

namespace {

std::string WindowsSeparators(std::string name) {
    for (char& c : name)
        if (c == '/') c = '\\';
    return name;
}

// Writes every record of a volume into the destination: appends to a file
// that earlier records (of this or an earlier volume) began, steps progress
// for every new file, and reports the first failed write of the run.
class FileWritingSink final : public RecordSink {
public:
    FileWritingSink(ExtractionHost& host, const ExtractionInputs& in, ExtractionResult& result)
        : host_(host), in_(in), result_(result) {}

    // At most `limit` bytes of content for the whole run; 0: no limit.
    void LimitContent(uint64_t limit) { contentLimit_ = limit; }

    bool Begin(const std::string& text) override {
        header_ = ParseRecordHeader(text);
        if (host_.StopRequested()) return Stop();
        // A marker outside the name item would make other text the command.
        if (header_.strayMarker) return Damage("a setup marker outside the file name");
        // A name that could leave the destination, or that the system would
        // read as another file or a device, marks the package as damaged;
        // nothing of it is written, and the setup it names never runs.
        if (!IsSafeRelativeName(header_.name))
            return Damage("the stored name \"" + header_.name + "\" leaves the folder or names a device");
        if (header_.isSetup) {
            result_.setupName = header_.name;
            result_.setupParameters = header_.setupParameters;
        }
        target_ = in_.destination + "\\" + WindowsSeparators(header_.name);
        // The first record of a name makes the file afresh; later ones (the
        // rest of a file that continues in the next volume) append to it.
        const bool known = !begun_.insert(UpperCase(target_)).second;
        if (!known) host_.Progress(1, 0);
        file_ = host_.OpenOutput(target_, known);
        written_ = 0;
        writeFailed_ = !file_;
        return true;
    }

    bool Write(const uint8_t* data, size_t n) override {
        if (host_.StopRequested()) return Stop();
        total_ += n;
        if (contentLimit_ != 0 && total_ > contentLimit_)
            return Damage("the files grow beyond the space the package states");
        if (!writeFailed_ && !file_->Write(data, n)) writeFailed_ = true;
        written_ += n;
        return true;  // a failed file is skipped, the run goes on
    }

    bool End() override {
        if (file_ && !file_->Close(header_.fileTime)) writeFailed_ = true;
        file_.reset();
        if (writeFailed_) ReportWriteFailure();
        return true;
    }

    void Idle() override { host_.Pump(); }

    const std::string& damage() const { return damage_; }
    bool stopped() const { return stopped_; }

private:
    bool Damage(const std::string& what) {
        damage_ = what;
        return false;
    }
    bool Stop() {
        stopped_ = true;
        return false;
    }

    void ReportWriteFailure() {
        if (result_.failure == ExtractionFailure::None) result_.failure = ExtractionFailure::WriteFailed;
        if (reported_) return;
        reported_ = true;
        const std::string details = host_.LastErrorText() + "<P>" + "  Data Size: <T>" + IntText(written_) +
                                    " Bytes<P>" + "  File Size:  <T>" +
                                    IntText(static_cast<long long>(host_.FileSize(target_))) + " Bytes<P>" +
                                    "  Bytes Free: <T>" + IntText(host_.FreeBytes(target_)) + " Bytes";
        host_.ShowError(target_ + "<P><P>Unable to save Extracted File!<P><P>" + details);
    }

    ExtractionHost& host_;
    const ExtractionInputs& in_;
    ExtractionResult& result_;
    RecordHeader header_;
    std::string target_;
    std::unique_ptr<OutputFile> file_;
    uint64_t written_ = 0;
    bool writeFailed_ = false;
    bool reported_ = false;
    std::set<std::string> begun_;  // targets in upper case
    uint64_t total_ = 0;
    uint64_t contentLimit_ = 0;
    std::string damage_;
    bool stopped_ = false;
};

std::string DamageText(const RecordResult& r, const FileWritingSink& sink) {
    if (!sink.damage().empty()) return sink.damage();
    switch (r.status) {
        case RecordStatus::BadStream: return r.message;
        case RecordStatus::BadHeader: return "a record without a file name";
        default: return "a record runs past the end of its volume";
    }
}

// What ties a volume to the first one: the number and the build time stamp
// our builder writes (older packages carry no number, so nothing is
// compared). Empty when the volume belongs where it was found.
std::string VolumeMismatch(const Trailer& first, const Trailer& volume, int number) {
    if (!volume.HasMagic()) return "holds no part of the package";
    if (first.volumeNumber == 0) return std::string();
    if (volume.volumeNumber != static_cast<uint8_t>(number))
        return "is not disk " + IntText(number) + " of the package";
    if (volume.timeStamp != first.timeStamp) return "belongs to another build of the package";
    return std::string();
}

// The files of a package take at most its largest required-space entry (the
// sum of their sizes rounded up to 64 KB clusters). A record that inflates
// beyond it is damage, not a reason to fill the disk. A table of zeros (not
// stated) or a saturated entry (4 GB or more) sets no limit.
uint64_t ContentLimit(const Trailer& first) {
    uint64_t largest = 0;
    for (uint32_t entry : first.requiredSpace) largest = entry > largest ? entry : largest;
    return largest == 0xFFFFFFFFu ? 0 : largest;
}

bool IsAgentCarrier(const std::string& packagePath) {
    return EndsWith(".exe", packagePath, true) || EndsWith(".exe.001", packagePath, true);
}

// What volume 1 of a chained package (and each later one) says the next
// volume must be.
struct VolumeChain {
    bool named = false;
    VolumeDigest next{};
};

// The first volume as the launcher names it; nothing named for a launcher
// of an older builder, which keeps the older rules.
VolumeChain LauncherChain(ExtractionHost& host, const std::string& launcherPath) {
    VolumeChain chain;
    if (launcherPath.empty()) return chain;
    std::unique_ptr<ByteSource> src = host.OpenVolume(launcherPath);
    chain.named = FirstVolumeNamedBy(*src, chain.next);
    return chain;
}

// A later volume of a chained package must be the very file the one before
// it names, before any byte of it is used. Empty when it is.
std::string ChainMismatch(ExtractionHost& host, ByteSource& volume, const VolumeChain& chain, int number) {
    if (!chain.named) return "is not named by disk " + IntText(number - 1);
    VolumeDigest digest{};
    if (!host.DigestVolume(volume, digest)) return "cannot be checked (no SHA-256 on this system, or a read failed)";
    return digest == chain.next ? std::string() : "is not disk " + IntText(number) + " of this package";
}

bool Damage(ExtractionResult& result, const std::string& what) {
    result.failure = ExtractionFailure::Damaged;
    result.damage = what;
    return false;
}

bool BadChecksum(ExtractionResult& result) {
    result.checksumPassed = false;
    result.failure = ExtractionFailure::BadChecksum;
    return false;
}

// One volume: checksum, records, the agent beside the files. False ends
// the run. `first` receives volume 1's trailer, and later volumes are
// compared with it. A sealed volume is summed as its records are read, in
// one pass, and compared at its end; an older one is tested first, as far
// as its size allows.
bool ExtractVolume(const ExtractionInputs& in, ExtractionHost& host, const std::string& path, int number,
                   ExtractionResult& result, FileWritingSink& sink, Trailer& trailer, Trailer& first,
                   VolumeChain& chain) {
    std::unique_ptr<ByteSource> src = host.OpenVolume(path);
    if ((number > 1 && first.Flag(kFlagChainedVolumes)) || (number == 1 && chain.named)) {
        const std::string mismatch = ChainMismatch(host, *src, chain, number);
        if (!mismatch.empty()) return Damage(result, "the file " + path + " " + mismatch);
    }
    const PackageReader reader(*src);
    trailer = reader.trailer();
    if (number == 1) {
        first = trailer;
        host.Trace("FileInfo.FilesCount=" + IntText(trailer.recordCount));
    }
    const bool sealed = RuleOf(trailer) == ChecksumRule::AnySize;
    result.checksumPassed = sealed || VerifyPackageChecksum(*src);
    if (!result.checksumPassed) return BadChecksum(result);
    host.Trace("FileLen=" + IntText(static_cast<long long>(reader.layout().volumeLength)));
    if (!reader.HasPackage() && number == 1) return true;
    // A volume that passes its own checksum can still be the wrong one: a
    // stray file of a few bytes, a disk swapped for another, a disk of
    // another build. Its records would make files that the setup trusts.
    const std::string mismatch = VolumeMismatch(first, trailer, number);
    if (!mismatch.empty()) return Damage(result, "the file " + path + " " + mismatch);
    if (number == 1) host.Progress(0, trailer.recordCount);
    if (!host.CreateFolderTree(in.destination))
        host.ShowError(in.destination + "<P><P>Unable to create Directory!<P><P>" + host.LastErrorText());
    if (number == 1) sink.LimitContent(ContentLimit(trailer));
    ChecksumAccumulator sum(reader.layout(), trailer.length, ChecksumRule::AnySize);
    SummingSource summed(*src, sum);
    const RecordResult r = ReadVolumeRecords(sealed ? summed : *src, reader, sink);
    if (sink.stopped()) {
        result.failure = ExtractionFailure::Stopped;
        return false;
    }
    if (r.status != RecordStatus::Ok) return Damage(result, DamageText(r, sink));
    if (sealed && !(summed.Finish() && ChecksumPasses(trailer.checksum, sum.Value()))) return BadChecksum(result);
    chain.named = r.namesNextVolume;
    chain.next = r.nextVolume;
    if (number == 1 && !in.updateProgramName.empty() && IsAgentCarrier(in.packagePath)) {
        const std::string agent = in.destination + "\\" + in.updateProgramName;
        if (host.WriteWholeFile(agent, AgentImage(*src, host.NowSeconds1899()), host.FileDate(in.packagePath)))
            host.Trace(" New AU-Agent: " + agent);
    }
    return true;
}

// Asks for the next volume until it is there; false when the user cancelled.
bool WaitForVolume(const ExtractionInputs& in, ExtractionHost& host, const std::string& path, int number) {
    host.EnableAutoPlayCancel();
    if (!in.alwaysPrompt && host.FileExists(path)) return true;
    host.EjectMedium(path);
    do {
        if (!host.AskForDisk(number)) return false;
        host.Wait(500);
    } while (!host.FileExists(path));
    return true;
}

}  // namespace

ExtractionResult ExtractPackage(const ExtractionInputs& in, ExtractionHost& host) {
    const uint64_t start = host.TickMs();
    const std::string base = VolumeBaseName(in.packagePath);
    ExtractionResult result;
    FileWritingSink sink(host, in, result);
    host.Progress(0, 0);
    std::string path = in.packagePath;
    Trailer first;
    VolumeChain chain = LauncherChain(host, in.launcherPath);
    for (int number = 1;; ++number) {
        if (!host.FileExists(path)) {
            if (number == 1) result.failure = ExtractionFailure::BadChecksum;
            break;
        }
        Trailer trailer;
        if (!ExtractVolume(in, host, path, number, result, sink, trailer, first, chain)) break;
        if (!trailer.Flag(kFlagContinuesInNextVolume)) break;
        path = VolumeName(base, number + 1);
        const bool present = WaitForVolume(in, host, path, number + 1);
        host.Progress(1, 0);
        if (!present) {
            result.failure = ExtractionFailure::Cancelled;
            break;
        }
    }
    if (result.failure != ExtractionFailure::None) {
        result.setupName.clear();
        result.setupParameters.clear();
    }
    host.Trace("");
    host.Trace("UnCompressTime: " + IntText(static_cast<long long>(host.TickMs() - start)) + " MS");
    host.Wait(500);
    return result;
}

std::string AgentImage(ByteSource& package, int64_t nowSeconds1899) {
    const PackageReader reader(package);
    std::string image;
    if (!reader.HasPackage() || !reader.BlocksComplete() ||
        !ReadExact(package, 0, static_cast<size_t>(reader.RecordsStart()), image))
        return std::string();
    if (image.size() >= kRecordedLengthOffset + kRecordedLengthSize)
        PutU32(reinterpret_cast<uint8_t*>(&image[kRecordedLengthOffset + 4]), 0);
    Trailer t = reader.trailer();
    if (nowSeconds1899 < t.timeStamp) t.timeStamp = nowSeconds1899;
    t.isAgent = 1;
    t.length = kTrailerSize;
    const auto raw = EncodeTrailer(t);
    image.append(reinterpret_cast<const char*>(raw.data()), raw.size());
    return image;
}

}  // namespace rv
