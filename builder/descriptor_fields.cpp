#include "builder/descriptor_fields.h"

#include <climits>

#include "base/numbers.h"
#include "builder/ini_text.h"

namespace rv::builder {

namespace {

constexpr int64_t kVersionHigh = INT32_MAX;  // versions and stamps are compared as 32-bit

std::vector<DescriptorField> MakeOriginalFields() {
    namespace k = original_key;
    std::vector<DescriptorField> fields = {
        {k::kProbeSecondsInterval, FieldKind::Integer, -1, INT64_MAX},
        {k::kReAskSecondsInterval, FieldKind::Integer, 0, INT64_MAX},
        {k::kVersionOriginal, FieldKind::Integer, 1, kVersionHigh, true},
        {k::kProgramName, FieldKind::Text},
        {k::kTargetDir, FieldKind::Text},
        {k::kSharedDir, FieldKind::Text},
        {k::kAuxiliaryDir, FieldKind::Text},
        {k::kStartUpLink, FieldKind::Text},
        {k::kCheckForNewUpdateLink, FieldKind::Text},
        {k::kButtonText, FieldKind::Text},
        {k::kErrorCaption, FieldKind::Text},
        {k::kConfirmCaption, FieldKind::Text},
        {k::kAttentionCaption, FieldKind::Text},
        {k::kCharSet, FieldKind::Integer, 0, 255},
        {k::kFontName, FieldKind::Text},
        {k::kFontSize, FieldKind::Integer, 1, 144},
    };
    for (int n = 2; n <= 35; ++n) {
        const IniKey text = AgentTextKey(n);
        if (*text.key) fields.push_back({text, FieldKind::Text});
    }
    return fields;
}

}  // namespace

const std::vector<DescriptorField>& OriginalFields() {
    static const std::vector<DescriptorField> fields = MakeOriginalFields();
    return fields;
}

const std::vector<DescriptorField>& InfoFields() {
    namespace k = info_key;
    static const std::vector<DescriptorField> fields = {
        {k::kDownloadUrlUpdate, FieldKind::Text, 0, 0, true},
        {k::kNameOfUpdateFile, FieldKind::Computed},
        {k::kSizeOfUpdateFile, FieldKind::Computed},
        {k::kConfirmBeforeDownload, FieldKind::Flag},
        {k::kConfirmBeforeInstall, FieldKind::Flag},
        {k::kBackgroundUpdate, FieldKind::Flag},
        {k::kShutDownMethod, FieldKind::Text},
        {k::kRestartProcess, FieldKind::Flag},
        {k::kInformFinish, FieldKind::Flag},
        {k::kRunningProcess, FieldKind::Text},
        {k::kProgramName, FieldKind::Text},
        {k::kVersionNew, FieldKind::Integer, 1, kVersionHigh, true},
        {k::kStamp, FieldKind::Integer, 1, kVersionHigh},
        {k::kValidVersions, FieldKind::IntegerList, 1, kVersionHigh},
        {k::kRemoveStartUpShortcut, FieldKind::Flag},
        {k::kRemoveCheckForNewUpdateShortcut, FieldKind::Flag},
        {k::kAutoInform, FieldKind::Flag},
        {k::kDownloadUrlInform, FieldKind::Text},
        {k::kNameOfInformFile, FieldKind::Text},
        {k::kSizeOfInformFile, FieldKind::Computed},
        {k::kAutoInformWidth, FieldKind::Integer, 1, 10000},
        {k::kAutoInformHeight, FieldKind::Integer, 1, 10000},
    };
    return fields;
}

namespace {

std::string CommaList(const std::vector<int64_t>& numbers) {
    std::string list;
    for (int64_t n : numbers) list += (list.empty() ? "" : ",") + IntText(n);
    return list;
}

std::string FieldValue(const TableReader& t, const DescriptorField& f) {
    const char* key = f.key.key;
    switch (f.kind) {
        case FieldKind::Integer: return IntText(*t.Integer(key, f.low, f.high));
        case FieldKind::Flag: return *t.Bool(key) ? "1" : "0";
        case FieldKind::IntegerList: return CommaList(t.IntegerArray(key, f.low, f.high));
        case FieldKind::Text:
        case FieldKind::Computed: break;
    }
    const std::string text = *t.String(key);
    const std::string problem = IniValueProblem(text);
    if (!problem.empty()) t.Fail(t.Node(key), "'" + t.Name(key) + "': " + problem);
    return text;
}

}  // namespace

std::vector<IniValue> ReadDescriptorFields(const TableReader& t, const std::vector<DescriptorField>& fields,
                                           const std::vector<std::string>& extras) {
    std::vector<std::string> allowed = extras;
    for (const DescriptorField& f : fields)
        if (f.kind != FieldKind::Computed) allowed.push_back(f.key.key);
    t.AllowOnly(allowed);
    std::vector<IniValue> values;
    for (const DescriptorField& f : fields) {
        if (f.kind == FieldKind::Computed) continue;
        if (!t.Has(f.key.key)) {
            if (f.required) t.Missing(f.key.key);
            continue;
        }
        values.push_back({f.key, FieldValue(t, f)});
    }
    return values;
}

}  // namespace rv::builder
