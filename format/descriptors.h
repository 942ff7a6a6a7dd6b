// The update agent's two INI descriptors, beside the agent's executable:
//   <name>.original  the installed product and the agent's timing state
//   <name>.info      the newest setup, downloaded afresh for every check
//
//   [OriginalSetup]                       [NewSetup]
//   ProbeSecondsInterval=86400            DownloadURL_UPDATE=http://host/dl
//   ProbeSecondsLast=3974000000           NameOfUpdateFile=Setup.exe
//   __ProbeSecondsLast=09:12:00  05-DEC-2026   VersionNew=7
//   VersionOriginal=6                     RequestConfirmationBeforeDownload=1
//
// Every read opens the file anew, so a value a setup just wrote is seen at
// once. Flags are on only when their text is exactly "1".
#pragma once

#include <cstdint>
#include <string>

namespace rv {

struct IniKey {
    const char* section;
    const char* key;
    const char* fallback;
};

namespace original_key {
constexpr IniKey kProbeSecondsInterval{"OriginalSetup", "ProbeSecondsInterval", "0"};
constexpr IniKey kProbeSecondsLast{"OriginalSetup", "ProbeSecondsLast", "0"};
constexpr IniKey kProbeSecondsLastText{"OriginalSetup", "__ProbeSecondsLast", ""};
constexpr IniKey kReAskSecondsInterval{"OriginalSetup", "ReAskSecondsInterval", "0"};
constexpr IniKey kReAskSecondsLast{"OriginalSetup", "ReAskSecondsLast", "0"};
constexpr IniKey kReAskSecondsLastText{"OriginalSetup", "__ReAskSecondsLast", ""};
constexpr IniKey kVersionOriginal{"OriginalSetup", "VersionOriginal", "0"};
constexpr IniKey kStamp{"OriginalSetup", "Stamp", "0"};
constexpr IniKey kProgramName{"OriginalSetup", "ProgramName", ""};
constexpr IniKey kTargetDir{"Directories", "TargetDir", ""};
constexpr IniKey kSharedDir{"Directories", "SharedDir", ""};
constexpr IniKey kAuxiliaryDir{"Directories", "AuxiliaryDir", ""};
constexpr IniKey kStartUpLink{"UnInstall", "StartUpLink", ""};
constexpr IniKey kCheckForNewUpdateLink{"UnInstall", "CheckforNewUpdateLink", ""};
constexpr IniKey kButtonText{"MsgBox", "BtnText", "|&OK|&Cancel|&Yes|&No|&Abort|&Retry|&Ignore|"};
constexpr IniKey kErrorCaption{"MsgBox", "Error", "Error"};
constexpr IniKey kConfirmCaption{"MsgBox", "Confirm", "Confirm"};
constexpr IniKey kAttentionCaption{"MsgBox", "Attention", "Attention"};
constexpr IniKey kCharSet{"MsgBox", "CharSet", "0"};
constexpr IniKey kFontName{"MsgBox", "FontName", "Tahoma"};
constexpr IniKey kFontSize{"MsgBox", "FontSize", "8"};
}  // namespace original_key

namespace info_key {
constexpr IniKey kDownloadUrlUpdate{"NewSetup", "DownloadURL_UPDATE", ""};
constexpr IniKey kNameOfUpdateFile{"NewSetup", "NameOfUpdateFile", ""};
constexpr IniKey kSizeOfUpdateFile{"NewSetup", "SizeOfUpdateFile", "0"};
constexpr IniKey kConfirmBeforeDownload{"NewSetup", "RequestConfirmationBeforeDownload", "0"};
constexpr IniKey kConfirmBeforeInstall{"NewSetup", "RequestConfirmationBeforeInstall", "0"};
constexpr IniKey kBackgroundUpdate{"NewSetup", "BackgroundUpdate", "0"};
constexpr IniKey kShutDownMethod{"NewSetup", "ShutDownMethod", ""};
constexpr IniKey kRestartProcess{"NewSetup", "RestartProcess", "0"};
constexpr IniKey kInformFinish{"NewSetup", "InformFinish", "0"};
constexpr IniKey kRunningProcess{"NewSetup", "RunningProcess", ""};
constexpr IniKey kProgramName{"NewSetup", "ProgramName", ""};
constexpr IniKey kVersionNew{"NewSetup", "VersionNew", "0"};
constexpr IniKey kStamp{"NewSetup", "Stamp", "0"};
constexpr IniKey kValidVersions{"NewSetup", "ValidVersions", ""};
constexpr IniKey kRemoveStartUpShortcut{"NewSetup", "RemoveStartUpShortcut", "0"};
constexpr IniKey kRemoveCheckForNewUpdateShortcut{"NewSetup", "RemoveCheckForNewUpdateShortcut", "0"};
constexpr IniKey kAutoInform{"General", "AutoInform", "0"};
constexpr IniKey kDownloadUrlInform{"AutoInform", "DownloadURL_INFORM", ""};
constexpr IniKey kNameOfInformFile{"AutoInform", "NameOfInformFile", ""};
constexpr IniKey kSizeOfInformFile{"AutoInform", "SizeOfInformFile", "0"};
constexpr IniKey kAutoInformWidth{"AutoInform", "AutoInformW", "360"};
constexpr IniKey kAutoInformHeight{"AutoInform", "AutoInformH", "360"};
}  // namespace info_key

// The agent's message texts, section AutoUpdate of the .original file:
// "s<number>" with its default (empty for most). Each value is the number
// in its key, which published .original files already use.
enum class AgentString {
    NotConnected = 2,                     // a check the user asked for found no internet connection
    DownloadAborted = 3,                  // the user cancelled the download
    FileNotFound = 4,                     // a file on a drive or a share is missing
    DownloadFailed = 5,                   // a file over HTTP could not be fetched
    DownloadQuestion = 11,                // "Download PROG_NAME", followed by one of the next two
    DownloadQuestionEnd = 12,             // ...when the setup runs without asking again
    DownloadQuestionThenInstallEnd = 13,  // ...when the install is asked for after the download
    InstallQuestion = 14,
    CloseProgramRequest = 15,      // asked until the running product has ended
    UpToDate = 16,                 // after a completed setup
    RestartQuestion = 17,          // follows UpToDate when the product is to be started again
    NothingNew = 21,               // a check the user asked for found no update
    ShotConfirm = 22,              // the question before a check, then the next two
    ShotConfirmOverInternet = 23,  // ...only when the .info file comes from a URL
    ShotConfirmEnd = 24,
    InfoDownloadStatus = 31,
    SetupDownloadStatus = 32,
    InformDownloadStatus = 33,
    InformTitle = 34,
    InformButton = 35,
};
IniKey AgentTextKey(AgentString text);
// The same key by its number, for walking all of them; a number that
// names no text gives an empty key.
IniKey AgentTextKey(int number);

// Reads and writes one descriptor file; the Win32 store sits on the INI
// calls, the tests on memory.
class DescriptorStore {
public:
    virtual ~DescriptorStore() = default;
    virtual std::string Read(const char* section, const char* key, const std::string& fallback) = 0;
    virtual bool Write(const char* section, const char* key, const std::string& value) = 0;
};

std::string ReadText(DescriptorStore& store, const IniKey& key);
long long ReadNumber(DescriptorStore& store, const IniKey& key);
bool ReadFlag(DescriptorStore& store, const IniKey& key);
// A flag with a transient override: 255 lets the file decide, any other
// value decides itself (0 off).
bool ReadFlag(DescriptorStore& store, const IniKey& key, uint8_t override);
bool WriteNumber(DescriptorStore& store, const IniKey& key, long long value);
// A seconds value with its readable twin beside it.
bool WriteSeconds(DescriptorStore& store, const IniKey& key, const IniKey& twin, long long seconds);

bool IsFlagOn(const std::string& text);
// "HH:NN:SS", two blanks, then the date, of a seconds value.
std::string ReadableSeconds(long long seconds);

// Descriptor file names from the update block's descriptor item.
std::string InfoFileName(const std::string& descriptorItem);
std::string OriginalFileName(const std::string& descriptorItem);

}  // namespace rv
