#include "builder/build_command.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "base/clock.h"
#include "base/numbers.h"
#include "base/text.h"
#include "builder/cli_error.h"
#include "builder/code_page.h"
#include "builder/file_list.h"
#include "builder/ini_text.h"
#include "builder/language_file.h"
#include "builder/output_file.h"
#include "builder/parallel_compress.h"
#include "builder/sha256.h"
#include "builder/stub_image.h"
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

// Every input is read as a file: a folder or a device in its place gives a
// message, not whatever reading it happens to do.
void RequireRegularFile(const std::string& path, const std::string& what) {
    std::error_code ec;
    const fs::file_status st = fs::status(path, ec);
    if (st.type() == fs::file_type::not_found)
        throw CliError(kExitInput, path + ": cannot read the " + what + ": no such file");
    if (st.type() == fs::file_type::directory) throw CliError(kExitInput, path + ": a folder, not the " + what);
    if (st.type() != fs::file_type::regular) throw CliError(kExitInput, path + ": not a regular file (" + what + ")");
}

std::string ReadStub(const std::string& path) {
    if (path.empty())
        throw CliError(kExitInput,
                       "no stub image: set 'stub' in the project or pass --stub (the stub is "
                       "build/win32/bin/stub.exe of the win32 preset)");
    RequireRegularFile(path, "stub image");
    std::string image;
    if (!ReadWholeFile(path, image)) throw CliError(kExitInput, path + ": cannot read the stub image");
    const std::string problem = StubImageProblem(image);
    if (!problem.empty()) throw CliError(kExitInput, path + ": " + problem);
    return image;
}

std::vector<LanguageSection> LanguagesOf(const Project& p) {
    std::vector<LanguageSection> sections;
    for (const std::string& file : p.languageFiles) sections.push_back(ReadLanguageFile(file));
    return sections;
}

// Names are stored in the code page the stub's system opens files with:
// the project's choice, else that of the first language's Charset.
int CodePageOf(const Project& p, const std::vector<LanguageSection>& languages) {
    if (p.codePage) return p.codePage;
    const int fromCharset = languages.empty() ? 0 : CodePageOfCharset(languages.front().charset);
    return fromCharset ? fromCharset : kDefaultCodePage;
}

uint8_t FlagsOf(const Project& p) {
    uint8_t flags = 0;
    if (p.tempDriveNotice) flags |= kFlagAlwaysShowTempNotice;
    if (p.spannedOverDisks) flags |= kFlagSpannedOverDisks;
    if (p.activityBar) flags |= kFlagShowActivityBar;
    if (p.debugTrace) flags |= kFlagDebugTrace;
    return flags;
}

PackageSettings SettingsOf(const Project& p, const BuildOptions& o, const std::vector<LanguageSection>& languages) {
    PackageSettings s;
    s.stubImage = ReadStub(o.stubOverride.empty() ? p.stubPath : o.stubOverride);
    s.languageBlock = MakeLanguageBlock(languages);
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

bool IsDownloadOnly(const Project& p) { return p.internet && !p.internet->fullSetup; }

std::vector<SourceFile> FilesOf(const Project& p, const BuildOptions& o, int codePage, BuildSummary& summary) {
    std::vector<SourceFile> files;
    if (!p.sourceDir.empty()) {
        SourceOptions so;
        so.latest = ParseSourceDateEpoch(o.sourceDateEpoch);
        so.utcTimes = so.latest.has_value();
        so.codePage = codePage;
        so.followLinks = p.followLinks;
        so.exclude = p.exclude;
        SourceListing listing = CollectSourceFiles(p.sourceDir, so);
        files = std::move(listing.files);
        summary.warnings.insert(summary.warnings.end(), listing.warnings.begin(), listing.warnings.end());
    }
    if (p.isAgent && !files.empty())
        throw CliError(kExitInput, Where(p, "source") + ": an agent ('package.is_agent') extracts no files, yet " +
                                       p.sourceDir + " holds " + files.front().displayName);
    if (p.setupProgram.empty()) {
        if (!p.isAgent && !IsDownloadOnly(p)) {
            if (files.empty()) summary.warnings.push_back(p.file + ": the package holds no files");
            summary.warnings.push_back(p.file + ": no 'setup.program': the stub extracts the files and runs nothing");
        }
        return files;
    }
    std::string wanted, why;
    FromUtf8(StoredName(p.setupProgram), codePage, wanted, why);
    for (const SourceFile& f : files)
        if (f.storedName == wanted) return files;
    throw CliError(kExitInput,
                   Where(p, "setup.program") + ": '" + p.setupProgram + "' is not among the files of " + p.sourceDir);
}

bool SameFile(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    return !b.empty() && fs::equivalent(a, b, ec);
}

// The output replaces what stands at its place: it must not be what the
// build reads, nor lie where the next build would pack it again.
void CheckOutputPlace(const Project& p, const std::string& stub, const std::string& outputKey) {
    const fs::path out(p.output);
    RequireReplaceable(out);
    const struct { std::string path, what; } inputs[] = {{p.file, "the project file"}, {stub, "the stub image"}};
    for (const auto& input : inputs)
        if (SameFile(out, input.path))
            throw CliError(kExitInput,
                           outputKey + " is " + input.what + " (" + input.path + "); the build would overwrite it");
    for (const std::string& language : p.languageFiles)
        if (SameFile(out, language))
            throw CliError(kExitInput,
                           outputKey + " is the language file " + language + "; the build would overwrite it");
    if (!p.sourceDir.empty() && IsInside(out, p.sourceDir))
        throw CliError(kExitInput, outputKey + " lies in the source folder " + p.sourceDir +
                                       "; the next build would pack this one");
}

// The agent finds itself by its file name: an agent built under another
// name than the update program's would never run as the agent.
void CheckAgentName(const Project& p, const std::string& outputKey) {
    const std::string name = fs::path(p.output).filename().string();
    if (p.isAgent && !SameText(name, p.update.programName))
        throw CliError(kExitInput, Where(p, "update.program") + " is '" + p.update.programName + "', but " + outputKey +
                                       " names the agent '" + name +
                                       "'; an agent must carry the update program's name");
}

// Disk full and unwritable folders read "cannot ..."; everything else the
// writer refuses comes from the project (a volume size too small).
[[noreturn]] void ThrowWriterError(const Project& p, const std::string& error) {
    if (StartsWith("cannot", error, false)) throw CliError(kExitIo, p.output + ": " + error);
    throw CliError(kExitInput, Where(p, "package.volume_size") + ": " + error);
}

// The setup program as the file list names it: "/"-separated.
std::string GenericName(const std::string& relative) {
    std::string name = relative;
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

unsigned ThreadsOf(const BuildOptions& o) { return o.threads ? o.threads : DefaultThreadCount(); }

// Streams the files through the compressor into the writer in file order.
class RecordPump {
public:
    RecordPump(PackageWriter& writer, const Project& p, const BuildOptions& o, uint64_t total, BuildSummary& summary)
        : writer_(writer),
          project_(p),
          compressor_(p.level, ThreadsOf(o), 2 * ThreadsOf(o) + 2),
          summary_(summary),
          progress_(o.progress),
          onFile_(o.onFile),
          total_(total) {}

    void AddFile(const SourceFile& f) {
        // Through the path's own form: on Windows a name outside the ANSI
        // code page opens only as a wide name.
        std::ifstream in(fs::u8path(f.path), std::ios::binary);
        if (!in) throw CliError(kExitInput, f.path + ": cannot open: " + std::strerror(errno));
        if (onFile_) onFile_(f.displayName);
        writer_.BeginFile(f.size);
        const std::string header = HeaderOf(f);
        uint64_t done = 0;
        do {
            std::string content(static_cast<size_t>(std::min<uint64_t>(f.size - done, kRecordContentLimit)), '\0');
            if (!content.empty() && !in.read(&content[0], static_cast<std::streamsize>(content.size())))
                throw CliError(kExitInput, f.path + ": cannot read (did it change during the build?)");
            done += content.size();
            read_ += content.size();
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
        if (!project_.setupProgram.empty() && f.displayName == GenericName(project_.setupProgram))
            return MakeSetupRecordHeader(f.storedName, project_.setupParameters, f.fileTime);
        return MakeRecordHeader(f.storedName, f.fileTime);
    }

    void Push(const std::string& header, std::string content) {
        ThrowIfInterrupted();
        if (compressor_.Full()) WriteNext();
        compressor_.Push(header, std::move(content));
    }

    void WriteNext() {
        const CompressedRecord r = compressor_.Pop();
        if (!writer_.AddRecord(r.header, r.content, &r.framed)) ThrowWriterError(project_, writer_.error());
        ++summary_.records;
        if (progress_) progress_(read_, total_);
    }

    PackageWriter& writer_;
    const Project& project_;
    ParallelCompressor compressor_;
    BuildSummary& summary_;
    std::function<void(uint64_t, uint64_t)> progress_;
    std::function<void(const std::string&)> onFile_;
    uint64_t total_ = 0, read_ = 0;
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
    f.displayName = name;
    f.fileTime = DosFileTimeOf(DateTimeFromSeconds(timeStamp));
    std::error_code ec;
    fs::create_directories(staging / "descriptor", ec);
    const std::string text = IniText(p.update.original);
    if (!WriteWholeFile(f.path, text)) throw CliError(kExitIo, f.path + ": cannot write");
    f.size = text.size();
    const auto byName = [](const SourceFile& a, const SourceFile& b) { return a.storedName < b.storedName; };
    files.insert(std::upper_bound(files.begin(), files.end(), f, byName), f);
}

// Volumes left from an earlier, longer build; only regular files, which
// are what a build writes.
void RemoveStaleVolumes(const std::string& output, size_t written) {
    const std::string base = VolumeBaseName(output);
    for (int n = static_cast<int>(written) + 1;; ++n) {
        std::error_code ec;
        const std::string stale = VolumeName(base, n);
        if (fs::symlink_status(stale, ec).type() != fs::file_type::regular || !fs::remove(stale, ec)) break;
    }
}

struct Placement {
    std::string staged, target;
};

// Every target is checked before the first rename, so that a refusal
// leaves all earlier output as it was.
std::vector<std::string> MoveIntoPlace(const std::vector<Placement>& moves) {
    for (const Placement& m : moves) RequireReplaceable(m.target);
    std::vector<std::string> placed;
    for (const Placement& m : moves) {
        std::error_code ec;
        fs::rename(m.staged, m.target, ec);
        if (ec) throw CliError(kExitIo, m.target + ": cannot write: " + ec.message());
        placed.push_back(m.target);
    }
    return placed;
}

// Staged volumes to their places: the first as `first`, the next ones as
// <output>.002, <output>.003, ...
void AddPlacements(const std::vector<std::string>& staged, const std::string& output, const std::string& first,
                   std::vector<Placement>& moves) {
    const std::string base = VolumeBaseName(output);
    for (size_t i = 0; i < staged.size(); ++i)
        moves.push_back({staged[i], i == 0 ? first : VolumeName(base, static_cast<int>(i + 1))});
}

uint64_t TotalSize(const std::vector<SourceFile>& files) {
    uint64_t total = 0;
    for (const SourceFile& f : files) total += f.size;
    return total;
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
    const bool overridden = !options.outputOverride.empty();
    if (overridden) p.output = options.outputOverride;
    if (p.output.empty()) throw CliError(kExitInput, "no output: set 'output' in the project or pass -o");
    const std::string outputKey = overridden ? "-o " + p.output : Where(p, "output");
    const std::string stub = options.stubOverride.empty() ? p.stubPath : options.stubOverride;
    CheckOutputPlace(p, stub, outputKey);
    CheckAgentName(p, outputKey);
    BuildSummary summary;
    const std::vector<LanguageSection> languages = LanguagesOf(p);
    PackageSettings settings = SettingsOf(p, options, languages);
    PortableSha256 sha;
    settings.volumeDigest = &sha;
    std::vector<SourceFile> files = FilesOf(p, options, CodePageOf(p, languages), summary);
    const fs::path output(p.output);
    StagingFolder staging(output);
    if (!p.update.original.empty()) AddOriginalDescriptor(p, settings.timeStamp, staging.path(), files);
    // Spanned over removable disks: the stub started from the first disk
    // restarts from a copy and reads its files from <output>.001 on, so
    // <output> itself is only a launcher: the stub and its blocks.
    const bool launcher = p.spannedOverDisks;
    const std::string dataName = output.filename().string() + (launcher ? ".001" : "");
    PackageWriter writer(settings, (staging.path() / dataName).string());
    if (!writer.error().empty()) ThrowWriterError(p, writer.error());
    RecordPump pump(writer, p, options, TotalSize(files), summary);
    for (const SourceFile& f : files) pump.AddFile(f);
    pump.Drain();
    if (!writer.Finish()) ThrowWriterError(p, writer.error());
    std::vector<Placement> moves;
    if (launcher) {
        PackageSettings launcherSettings = settings;
        launcherSettings.volumeSize = 0;
        PackageWriter launcherWriter(launcherSettings, (staging.path() / output.filename()).string());
        // The launcher is the file that gets signed: it names the first
        // volume by digest, which names the next, so that no volume beside
        // it can be swapped.
        VolumeDigest digest{};
        if (!DigestOfFile(writer.volumePaths().front(), digest))
            throw CliError(kExitIo, writer.volumePaths().front() + ": cannot read it back");
        const std::string firstVolume = NextVolumeRecord(digest);
        if (!launcherWriter.AddRecord("", "", &firstVolume) || !launcherWriter.Finish())
            ThrowWriterError(p, launcherWriter.error());
        moves.push_back({launcherWriter.volumePaths().front(), p.output});
        summary.launcher = p.output;
    }
    AddPlacements(writer.volumePaths(), p.output, launcher ? p.output + ".001" : p.output, moves);
    ThrowIfInterrupted();
    summary.volumes = MoveIntoPlace(moves);
    RemoveStaleVolumes(p.output, writer.volumePaths().size());
    if (launcher) summary.volumes.erase(summary.volumes.begin());
    std::error_code ec;
    for (const Placement& m : moves) summary.outputBytes += fs::file_size(m.target, ec);
    return summary;
}

}  // namespace rv::builder
