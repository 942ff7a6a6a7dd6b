#include "builder/build_command.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/clock.h"
#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/file_list.h"
#include "builder/ini_text.h"
#include "builder/language_file.h"
#include "builder/parallel_compress.h"
#include "builder/sha256.h"
#include "builder/time_stamp.h"
#include "format/descriptors.h"
#include "format/package_writer.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"
#include "format/volumes.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

// Content bytes per record: a large file becomes several records of the same
// header, which the stub appends; this bounds the memory per record and lets
// one file's records compress in parallel.
constexpr size_t kRecordContentLimit = 1 << 20;

// The salt comes from the value itself, so the same project always gives the
// same stored text while different tokens get different keys.
std::string ScrambledOrEmpty(const std::string& token, unsigned item) {
    return token.empty() ? std::string() : ScrambleItem(token, StableHash(token, item));
}

std::string BarList(const std::vector<std::string>& items, const char* block) {
    std::string list = "|";
    for (const std::string& item : items) {
        if (item.find('|') != std::string::npos)
            throw CliError(kExitInput, std::string("[") + block + "]: '|' cannot appear in a value: " + item);
        list += item + "|";
    }
    return list;
}

std::string ReadStub(const std::string& path) {
    if (path.empty()) throw CliError(kExitInput, "no stub image: set 'stub' in the project or pass --stub");
    std::string image;
    if (!ReadWholeFile(path, image))
        throw CliError(kExitInput, path + ": cannot read the stub image (--stub PATH names another)");
    if (!HasPeHeaderAt256(image))
        throw CliError(kExitInput, path +
                                       ": not a stub image: its PE header is not at offset 256"
                                       " (cmake/place_pe_header.py moves it there)");
    return image;
}

std::string LanguageBlockOf(const Project& p) {
    std::vector<LanguageSection> sections;
    for (const std::string& file : p.languageFiles) sections.push_back(ReadLanguageFile(file));
    return MakeLanguageBlock(sections);
}

uint8_t FlagsOf(const Project& p) {
    uint8_t flags = 0;
    if (p.tempDriveNotice) flags |= kFlagAlwaysShowTempNotice;
    if (p.spannedOverDisks) flags |= kFlagSpannedOverDisks;
    if (p.activityBar) flags |= kFlagShowActivityBar;
    if (p.debugTrace) flags |= kFlagDebugTrace;
    return flags;
}

PackageSettings SettingsOf(const Project& p, const BuildOptions& o) {
    PackageSettings s;
    s.stubImage = ReadStub(o.stubOverride.empty() ? p.stubPath : o.stubOverride);
    s.languageBlock = LanguageBlockOf(p);
    s.updateBlock = MakeUpdateBlock(p.update);
    s.hasInternetBlock = p.internet.has_value();
    if (p.internet) s.internetBlock = MakeInternetBlock(*p.internet);
    s.flags = FlagsOf(p);
    s.internetSetup = p.internet && !p.internet->fullSetup;
    s.confirmDownload = s.internetSetup && p.internet->confirmDownload;
    s.writeAgent = p.writeAgent;
    s.isAgent = p.isAgent;
    s.timeStamp = BuildTimeStamp(p.timeStamp, ParseSourceDateEpoch(o.sourceDateEpoch), o.now);
    s.recordLength = p.recordLength;
    s.volumeSize = p.volumeSize;
    s.level = p.level;
    return s;
}

std::vector<SourceFile> FilesOf(const Project& p, const BuildOptions& o) {
    std::vector<SourceFile> files;
    if (!p.sourceDir.empty()) files = CollectSourceFiles(p.sourceDir, ParseSourceDateEpoch(o.sourceDateEpoch));
    if (p.setupProgram.empty()) return files;
    const std::string wanted = StoredName(p.setupProgram);
    for (const SourceFile& f : files)
        if (f.storedName == wanted) return files;
    throw CliError(kExitInput,
                   p.sourceDir + ": the setup program '" + p.setupProgram + "' is not in the source folder");
}

// A folder beside the output that holds the volumes until the build is
// complete, so a failed build leaves neither half a file nor a damaged
// earlier output behind. Removed with whatever it still holds.
class StagingFolder {
public:
    explicit StagingFolder(const fs::path& output) {
        const fs::path parent = output.has_parent_path() ? output.parent_path() : fs::path(".");
        std::error_code ec;
        fs::create_directories(parent, ec);
        for (int n = 0; n < 1000 && path_.empty(); ++n) {
            const fs::path candidate = parent / ("." + output.filename().string() + ".partial" + IntText(n));
            if (fs::create_directory(candidate, ec)) path_ = candidate;
        }
        if (path_.empty()) throw CliError(kExitIo, parent.string() + ": cannot create a staging folder for the output");
    }
    ~StagingFolder() {
        std::error_code ec;
        fs::remove_all(path_, ec);
    }
    StagingFolder(const StagingFolder&) = delete;
    StagingFolder& operator=(const StagingFolder&) = delete;
    fs::path path() const { return path_; }

private:
    fs::path path_;
};

// Disk full and unwritable folders read "cannot ..."; everything else the
// writer refuses comes from the project (a volume size too small).
[[noreturn]] void ThrowWriterError(const std::string& output, const std::string& error) {
    throw CliError(StartsWith("cannot", error, false) ? kExitIo : kExitInput, output + ": " + error);
}

// Streams the files through the compressor into the writer in file order.
class RecordPump {
public:
    RecordPump(PackageWriter& writer, const Project& p, unsigned threads, BuildSummary& summary)
        : writer_(writer), project_(p), compressor_(p.level, threads, 2 * threads + 2), summary_(summary) {}

    void AddFile(const SourceFile& f) {
        StdFile in(f.path, "rb");
        if (!in.IsOpen()) throw CliError(kExitInput, f.path + ": cannot open");
        writer_.BeginFile(f.size);
        const std::string header = HeaderOf(f);
        uint64_t done = 0;
        do {
            std::string content(static_cast<size_t>(std::min<uint64_t>(f.size - done, kRecordContentLimit)), '\0');
            if (!content.empty() && std::fread(&content[0], 1, content.size(), in.get()) != content.size())
                throw CliError(kExitInput, f.path + ": cannot read (did it change during the build?)");
            done += content.size();
            Push(header, std::move(content));
        } while (done < f.size);
        summary_.inputBytes += f.size;
        ++summary_.files;
    }

    void Drain() {
        while (!compressor_.Empty()) WriteNext();
    }

private:
    std::string HeaderOf(const SourceFile& f) const {
        if (!project_.setupProgram.empty() && f.storedName == StoredName(project_.setupProgram))
            return MakeSetupRecordHeader(f.storedName, project_.setupParameters, f.fileTime);
        return MakeRecordHeader(f.storedName, f.fileTime);
    }

    void Push(const std::string& header, std::string content) {
        if (compressor_.Full()) WriteNext();
        compressor_.Push(header, std::move(content));
    }

    void WriteNext() {
        const CompressedRecord r = compressor_.Pop();
        if (!writer_.AddRecord(r.header, r.content, &r.framed)) ThrowWriterError(project_.output, writer_.error());
        ++summary_.records;
    }

    PackageWriter& writer_;
    const Project& project_;
    ParallelCompressor compressor_;
    BuildSummary& summary_;
};

// The .original descriptor goes in beside the product's files, so that the
// product's setup installs it with the agent that extraction writes.
void AddOriginalDescriptor(const Project& p, int64_t timeStamp, const fs::path& staging,
                           std::vector<SourceFile>& files) {
    const std::string name = OriginalFileName(p.update.descriptorName);
    if (!IsSafeRelativeName(name) || name.find('\\') != std::string::npos)
        throw CliError(kExitInput, "[update] descriptor: '" + name + "' cannot be stored as a file name");
    for (const SourceFile& f : files)
        if (SameText(f.storedName, name))
            throw CliError(kExitInput,
                           f.path + ": the source folder already holds " + name + ", which [update.original] writes");
    SourceFile f;
    f.path = (staging / "descriptor" / name).string();
    f.storedName = name;
    f.fileTime = DosFileTimeOf(DateTimeFromSeconds(timeStamp));
    std::error_code ec;
    fs::create_directories(staging / "descriptor", ec);
    const std::string text = IniText(p.update.original);
    if (!WriteWholeFile(f.path, text)) throw CliError(kExitIo, f.path + ": cannot write");
    f.size = text.size();
    const auto byName = [](const SourceFile& a, const SourceFile& b) { return a.storedName < b.storedName; };
    files.insert(std::upper_bound(files.begin(), files.end(), f, byName), f);
}

void RemoveStaleVolumes(const std::string& output, size_t written) {
    std::error_code ec;
    const std::string base = VolumeBaseName(output);
    int n = static_cast<int>(written) + 1;
    while (fs::remove(VolumeName(base, n), ec)) ++n;
}

// Staged volumes into place: the first as `first`, the next ones as
// <output>.002, <output>.003, ...
std::vector<std::string> MoveIntoPlace(const std::vector<std::string>& staged, const fs::path& output,
                                       const std::string& first) {
    std::vector<std::string> placed;
    const std::string base = VolumeBaseName(output.string());
    for (size_t i = 0; i < staged.size(); ++i) {
        const std::string target = i == 0 ? first : VolumeName(base, static_cast<int>(i + 1));
        std::error_code ec;
        fs::rename(staged[i], target, ec);
        if (ec) throw CliError(kExitIo, target + ": cannot write: " + ec.message());
        placed.push_back(target);
    }
    RemoveStaleVolumes(output.string(), staged.size());
    return placed;
}

}  // namespace

unsigned StableHash(const std::string& value, unsigned seed) {
    unsigned h = 2166136261u ^ seed;
    for (unsigned char c : value) h = (h ^ c) * 16777619u;
    return h;
}

std::string StoredUpdateToken(const std::string& token) { return ScrambledOrEmpty(token, 3); }

std::string MakeUpdateBlock(const UpdateSettings& u) {
    return BarList(
        {u.agentSettings, u.descriptorName, u.programName, StoredUpdateToken(u.token), u.background ? "1" : "0"},
        "update");
}

std::string MakeInternetBlock(const InternetSettings& i) {
    return BarList({i.baseUrl, i.setupFileName, i.alwaysDownload ? "1" : "0", ScrambledOrEmpty(i.token, 103),
                    IntText(static_cast<long long>(i.size))},
                   "internet");
}

BuildSummary BuildPackage(const Project& project, const BuildOptions& options) {
    Project p = project;
    if (!options.outputOverride.empty()) p.output = options.outputOverride;
    if (p.output.empty()) throw CliError(kExitInput, "no output: set 'output' in the project or pass -o");
    PackageSettings settings = SettingsOf(p, options);
    PortableSha256 sha;
    settings.volumeDigest = &sha;
    std::vector<SourceFile> files = FilesOf(p, options);
    const fs::path output(p.output);
    StagingFolder staging(output);
    if (!p.update.original.empty()) AddOriginalDescriptor(p, settings.timeStamp, staging.path(), files);
    BuildSummary summary;
    {
        // Spanned over removable disks: the stub started from the first disk
        // restarts from a copy and reads its files from <output>.001 on, so
        // <output> itself is only a launcher: the stub and its blocks.
        const bool launcher = p.spannedOverDisks;
        const std::string dataName = output.filename().string() + (launcher ? ".001" : "");
        PackageWriter writer(settings, (staging.path() / dataName).string());
        if (!writer.error().empty()) ThrowWriterError(p.output, writer.error());
        RecordPump pump(writer, p, options.threads ? options.threads : DefaultThreadCount(), summary);
        for (const SourceFile& f : files) pump.AddFile(f);
        pump.Drain();
        if (!writer.Finish()) ThrowWriterError(p.output, writer.error());
        if (launcher) {
            PackageSettings launcherSettings = settings;
            launcherSettings.volumeSize = 0;
            PackageWriter launcherWriter(launcherSettings, (staging.path() / output.filename()).string());
            if (!launcherWriter.Finish()) ThrowWriterError(p.output, launcherWriter.error());
            summary.volumes = MoveIntoPlace(launcherWriter.volumePaths(), output, output.string());
        }
        const std::vector<std::string> data =
            MoveIntoPlace(writer.volumePaths(), output, launcher ? output.string() + ".001" : output.string());
        summary.volumes.insert(summary.volumes.end(), data.begin(), data.end());
    }
    std::error_code ec;
    for (const std::string& v : summary.volumes) summary.outputBytes += fs::file_size(v, ec);
    return summary;
}

}  // namespace rv::builder
