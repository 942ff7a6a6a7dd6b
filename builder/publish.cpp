#include "builder/publish.h"

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <system_error>

#include "base/numbers.h"
#include "base/scrambler.h"
#include "base/text.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/descriptor_fields.h"
#include "builder/examine.h"
#include "builder/output_file.h"
#include "builder/table_reader.h"
#include "format/descriptors.h"
#include "format/package_format.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/std_file.h"

namespace rv::builder {

namespace {

namespace fs = std::filesystem;

// The agent compares the method with these texts exactly; any other text
// would leave the product running while the agent waits for it to end.
const char* const kShutDownMethods[] = {"Issue a Message Box", "Using WM_CLOSE", "Using WM_QUIT",
                                        "Using Terminate Process", "Don't Shut Down"};

std::vector<DescriptorField> FieldsOf(const char* section) {
    std::vector<DescriptorField> fields;
    for (const DescriptorField& f : InfoFields())
        if (std::string(f.key.section) == section) fields.push_back(f);
    return fields;
}

bool SameKey(const IniKey& a, const IniKey& b) {
    return std::string(a.section) == b.section && std::string(a.key) == b.key;
}

const IniValue* Find(const std::vector<IniValue>& values, const IniKey& key) {
    for (const IniValue& v : values)
        if (SameKey(v.key, key)) return &v;
    return nullptr;
}

void Set(std::vector<IniValue>& values, const IniKey& key, const std::string& value) {
    for (IniValue& v : values)
        if (SameKey(v.key, key)) v.value = value;
}

std::string ValueOf(const std::vector<IniValue>& values, const IniKey& key) {
    const IniValue* v = Find(values, key);
    return v ? v->value : key.fallback;
}

// A name the agent appends to its base URL or folder and writes beside
// itself: one file name, nothing that leads elsewhere.
bool IsPlainFileName(const std::string& name) {
    return IsSafeRelativeName(name) && name.find_first_of("/\\") == std::string::npos;
}

void ReadSections(const TableReader& t, PublishProject& p) {
    const std::optional<TableReader> newSetup = t.Table("NewSetup");
    if (!newSetup) t.Missing("NewSetup");
    p.given = ReadDescriptorFields(*newSetup, FieldsOf("NewSetup"));
    const std::string warning =
        newSetup->PlainHttpWarning("DownloadURL_UPDATE", ValueOf(p.given, info_key::kDownloadUrlUpdate));
    if (!warning.empty()) p.warnings.push_back(warning);
    if (auto general = t.Table("General")) {
        const std::vector<IniValue> g = ReadDescriptorFields(*general, FieldsOf("General"));
        p.given.insert(p.given.end(), g.begin(), g.end());
    }
    p.inform = IsFlagOn(ValueOf(p.given, info_key::kAutoInform));
    if (auto inform = t.Table("AutoInform")) {
        const std::vector<IniValue> a = ReadDescriptorFields(*inform, FieldsOf("AutoInform"), {"body", "body_file"});
        p.given.insert(p.given.end(), a.begin(), a.end());
        if (inform->Has("body") && inform->Has("body_file"))
            inform->Fail(inform->Node("body_file"), "give 'AutoInform.body' or 'AutoInform.body_file', not both");
        p.informBody = inform->String("body").value_or("");
        if (const std::optional<std::string> file = inform->String("body_file")) {
            const std::string path = FromProjectFolder(t.file(), *file);
            if (!ReadWholeFile(path, p.informBody)) inform->Fail(inform->Node("body_file"), path + ": cannot read");
        }
    }
}

void CheckEdition(const TableReader& t, PublishProject& p) {
    const std::string method = ValueOf(p.given, info_key::kShutDownMethod);
    const auto known = std::find_if(std::begin(kShutDownMethods), std::end(kShutDownMethods),
                                    [&](const char* m) { return method == m; });
    if (p.inform) {
        p.informName = ValueOf(p.given, info_key::kNameOfInformFile);
        if (!IsPlainFileName(p.informName))
            throw CliError(kExitInput, t.file() +
                                           ": a news edition ('General.AutoInform') needs "
                                           "'AutoInform.NameOfInformFile', a plain file name");
    } else if (p.setupFile.empty()) {
        t.Missing("setup_file");
    } else if (method.empty()) {
        throw CliError(kExitInput, t.file() + ": missing key 'NewSetup.ShutDownMethod'");
    }
    if (!method.empty() && known == std::end(kShutDownMethods))
        t.Table("NewSetup")
            ->Fail(t.Table("NewSetup")->Node("ShutDownMethod"),
                   "'NewSetup.ShutDownMethod' must be one of \"Issue a Message Box\", "
                   "\"Using WM_CLOSE\", \"Using WM_QUIT\", \"Using Terminate Process\", "
                   "\"Don't Shut Down\"; not \"" +
                       method + "\"");
}

// Collects the content of one stored file.
class FileCapture final : public RecordSink {
public:
    explicit FileCapture(std::string name) : name_(std::move(name)) {}
    bool Begin(const std::string& header) override {
        capturing_ = SameText(ParseRecordHeader(header).name, name_);
        found_ = found_ || capturing_;
        return true;
    }
    bool Write(const uint8_t* data, size_t n) override {
        if (capturing_) content_.append(reinterpret_cast<const char*>(data), n);
        return true;
    }
    bool found() const { return found_; }
    const std::string& content() const { return content_; }

private:
    std::string name_, content_;
    bool capturing_ = false, found_ = false;
};

// VersionOriginal of the .original descriptor a setup installs; 0 when it
// carries none.
int64_t InstalledVersion(const std::string& setup, const std::string& originalName) {
    StdFileSource src(setup);
    const PackageReader reader(src);
    FileCapture capture(originalName);
    ReadVolumeRecords(src, reader, capture);
    if (!capture.found()) return 0;
    bool inSection = false;
    std::istringstream lines(capture.content());
    for (std::string raw; std::getline(lines, raw);) {
        const std::string line = Trim(raw);
        if (!line.empty() && line.front() == '[') inSection = SameText(line, "[OriginalSetup]");
        if (inSection && SameText(Trim(TextBefore(line, "=")), "VersionOriginal"))
            return ToInt64(Trim(TextAfter(line, "=")), -1);
    }
    return -1;
}

// The token the new setup carries in its update block, plain; empty when
// the item is not in the stored form.
std::string SetupToken(const PackageContents& c) {
    const std::optional<std::string> plain = UnscrambleItem(ListField(c.updateBlock, 3));
    return plain ? *plain : "";
}

// The agent downloads one file and runs it, so the new setup must be whole,
// undamaged and of this product.
uint64_t CheckSetup(const PublishProject& p) {
    const PackageContents c = ReadContents(p.setupFile, Checksums::Require);
    const Trailer& t = c.volumes.front().trailer;
    if (c.volumes.size() > 1 || t.Flag(kFlagSpannedOverDisks))
        throw CliError(kExitInput, p.setupFile + ": a spanned setup cannot be downloaded as one file");
    if (t.isAgent)
        throw CliError(kExitInput, p.where.at("setup_file") + ": " + p.setupFile +
                                       " is an update agent, not a setup: the agents would run it as the update");
    const std::string descriptor = InfoFileName(ListField(c.updateBlock, 1));
    if (!SameText(descriptor, p.infoName))
        throw CliError(kExitInput, p.where.at("descriptor") + " is " + p.infoName + ", but " + p.setupFile +
                                       " belongs to the descriptor '" + descriptor +
                                       "': its agent would never read this edition");
    if (SetupToken(c) != p.token)
        throw CliError(kExitInput, p.setupFile +
                                       ": its package token is not the product's ('token'): "
                                       "the agents would refuse it as another product's setup");
    // Once installed, the new setup's .original says which version the
    // product is; any other VersionNew would offer the edition again forever.
    const std::string original = OriginalFileName(p.infoName);
    const int64_t installed = InstalledVersion(p.setupFile, original);
    const int64_t offered = ToInt64(ValueOf(p.given, info_key::kVersionNew), 0);
    if (installed <= 0)
        throw CliError(kExitInput, p.setupFile + ": carries no readable " + original +
                                       " ([update.original] of its project), so the installed product would keep "
                                       "its old version and be offered this edition again");
    if (installed != offered)
        throw CliError(kExitInput, p.where.at("NewSetup.VersionNew") + " is " + IntText(offered) + ", but " +
                                       p.setupFile + " installs version " + IntText(installed) + " (" + original +
                                       "): the agent would offer this edition again and again");
    std::error_code ec;
    return fs::file_size(p.setupFile, ec);
}

std::vector<IniValue> InfoValues(const PublishProject& p, const std::string& setupName, uint64_t setupSize,
                                 uint64_t informSize) {
    namespace k = info_key;
    std::vector<IniValue> values;
    for (const DescriptorField& f : InfoFields()) values.push_back({f.key, ValueOf(p.given, f.key)});
    Set(values, k::kNameOfUpdateFile, setupName);
    Set(values, k::kSizeOfUpdateFile, IntText(static_cast<long long>(setupSize)));
    Set(values, k::kSizeOfInformFile, IntText(static_cast<long long>(informSize)));
    return values;
}

// A stamp derived from everything else the edition publishes: the same
// edition keeps its stamp, any change gives a new one (never 0, the stamp
// of a fresh .original file).
int64_t DerivedStamp(const std::vector<IniValue>& values, const std::string& informText) {
    const int64_t stamp = StableHash(IniText(values) + informText, 0x5EED) & 0x7FFFFFFF;
    return stamp ? stamp : 1;
}

// Written into the staging folder and renamed, so an agent never reads half
// a file.
void WriteFileAtomically(const fs::path& staging, const fs::path& target, const std::string& data) {
    const fs::path partial = staging / target.filename();
    std::error_code ec;
    if (!WriteWholeFile(partial.string(), data)) throw CliError(kExitIo, partial.string() + ": cannot write");
    fs::rename(partial, target, ec);
    if (ec) throw CliError(kExitIo, target.string() + ": cannot write: " + ec.message());
}

void CopyFileAtomically(const fs::path& staging, const fs::path& source, const fs::path& target) {
    std::error_code ec;
    if (fs::equivalent(source, target, ec)) return;
    const fs::path partial = staging / target.filename();
    fs::copy_file(source, partial, ec);
    if (!ec) fs::rename(partial, target, ec);
    if (ec) throw CliError(kExitIo, target.string() + ": cannot write: " + ec.message());
}

}  // namespace

PublishProject LoadPublishProject(const std::string& path) {
    const toml::table root = ParseTomlFile(path);
    const TableReader t(path, root, "");
    t.AllowOnly({"descriptor", "token", "setup_file", "output", "NewSetup", "General", "AutoInform"});
    PublishProject p;
    for (const char* key : {"descriptor", "token", "setup_file"})
        p.where[key] = path + (t.Line(key) ? ":" + IntText(t.Line(key)) : "") + ": '" + key + "'";
    if (auto n = t.Table("NewSetup"))
        p.where["NewSetup.VersionNew"] =
            path + (n->Line("VersionNew") ? ":" + IntText(n->Line("VersionNew")) : "") + ": 'NewSetup.VersionNew'";
    p.infoName = InfoFileName(t.RequiredString("descriptor"));
    if (!IsPlainFileName(p.infoName)) t.Fail(t.Node("descriptor"), "'descriptor' must name a file: " + p.infoName);
    p.token = t.RequiredString("token");
    if (p.token.empty()) t.Fail(t.Node("token"), "'token' cannot be empty: the agents test it");
    p.setupFile = FromProjectFolder(path, t.String("setup_file").value_or(""));
    if (!p.setupFile.empty() && !IsPlainFileName(fs::path(p.setupFile).filename().string()))
        t.Fail(t.Node("setup_file"), "'setup_file' must end in a plain file name");
    p.output = FromProjectFolder(path, t.String("output").value_or(""));
    ReadSections(t, p);
    CheckEdition(t, p);
    return p;
}

std::string InformFileText(const std::string& token, const std::string& body) {
    const std::string plain = "|" + StoredUpdateToken(token) + "|||" + body;
    return ScrambleWithKey(plain, true, static_cast<int>(33 + StableHash(plain, 0x1F0) % 90));
}

PublishSummary Publish(const PublishProject& p, const std::string& outputOverride) {
    PublishSummary s;
    s.folder = outputOverride.empty() ? p.output : outputOverride;
    if (s.folder.empty()) throw CliError(kExitInput, "no output folder: set 'output' in the project or pass -o");
    const std::string setupName = p.setupFile.empty() ? "" : fs::path(p.setupFile).filename().string();
    s.setupSize = p.setupFile.empty() ? 0 : CheckSetup(p);
    const std::string informText = p.inform ? InformFileText(p.token, p.informBody) : "";
    s.informSize = informText.size();
    std::vector<IniValue> values = InfoValues(p, setupName, s.setupSize, s.informSize);
    if (!Find(p.given, info_key::kStamp)) Set(values, info_key::kStamp, IntText(DerivedStamp(values, informText)));
    s.stamp = ToInt64(ValueOf(values, info_key::kStamp), 0);
    const std::string infoText = IniText(values);

    const fs::path folder(s.folder);
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (!fs::is_directory(folder, ec)) throw CliError(kExitIo, s.folder + ": cannot create the folder");
    if (!setupName.empty()) s.setupPath = (folder / setupName).string();
    if (p.inform) s.informPath = (folder / p.informName).string();
    s.infoPath = (folder / p.infoName).string();
    for (const std::string& target : {s.setupPath, s.informPath, s.infoPath})
        if (!target.empty()) RequireReplaceable(target);
    const StagingFolder staging(s.infoPath);
    if (!setupName.empty()) CopyFileAtomically(staging.path(), p.setupFile, s.setupPath);
    if (p.inform) WriteFileAtomically(staging.path(), s.informPath, informText);
    WriteFileAtomically(staging.path(), s.infoPath, infoText);
    return s;
}

}  // namespace rv::builder
