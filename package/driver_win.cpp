#include "package/driver_win.h"

#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/paths_win.h"
#include "base/registry_win.h"
#include "base/text.h"
#include "base/window_win.h"
#include "env/descriptor_files_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "package/extraction_win.h"
#include "package/file_info.h"
#include "package/temp_folder_win.h"
#include "proc/process_win.h"
#include "ui/message_box_win.h"

namespace rv {

namespace {

constexpr const char* kSpanDiskKey = "HKEY_CURRENT_USER\\Software\\Corvande\\Ravlin\\SpanDisk";
constexpr const char* kAtomPrefix = "AutoUpdateAtomTokenByRavlin";
constexpr const char* kDialogClassPrefix = ".SDialog_Class_Name.";

bool SpaceFits(const std::string& folder, const TGFileInfo& package) {
    return FolderExists(folder) && package.RequiredSpace(folder) < DiskFreeBytes(folder);
}

// Where an alternative folder goes on a drive: inside its TEMP folder when
// that is a real folder, else at the root. A TEMP that is a link (which a
// user may have made) is never entered.
std::string AlternativeParent(char letter) {
    const std::string root = std::string(1, letter) + ":\\";
    const DWORD attributes = GetFileAttributesA((root + "TEMP").c_str());
    const bool realFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) &&
                            !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    return realFolder ? root + "TEMP\\" : root;
}

// A temp folder on the fixed drive (C, D or E) with the most free space,
// made only when the temp drive is short of space; private like the setup
// folder, and removed when it goes.
class AlternativeFolder {
public:
    enum class Outcome { None, Made, Failed };

    AlternativeFolder() = default;
    AlternativeFolder(const AlternativeFolder&) = delete;
    AlternativeFolder& operator=(const AlternativeFolder&) = delete;
    ~AlternativeFolder() {
        if (!path_.empty()) DeleteTree(path_, true);
    }

    Outcome Make() {
        std::vector<DriveCandidate> drives;
        for (char letter : {'C', 'D', 'E'}) {
            const std::string root = std::string(1, letter) + ":\\";
            if (GetDriveTypeA(root.c_str()) == DRIVE_FIXED) drives.push_back({letter, ProbeFreeSpace(letter)});
        }
        const char picked = PickAlternativeDrive(drives, TempDir(false).empty() ? 0 : TempDir(false)[0]);
        if (picked == 0) return Outcome::None;
        path_ = MakePrivateFolder(AlternativeParent(picked), "TEMP_");
        return path_.empty() ? Outcome::Failed : Outcome::Made;
    }
    const std::string& path() const { return path_; }

private:
    // Writes a test file on the drive: a drive that takes none counts 0.
    static int64_t ProbeFreeSpace(char letter) {
        const std::string folder = MakePrivateFolder(AlternativeParent(letter), "TEMP_");
        if (folder.empty()) return 0;
        const std::string test = folder + "\\~aa.tmp";
        WriteFileData(test, "aa", 0, false, nullptr);
        const int64_t free = FileExists(test) ? DiskFreeBytes(folder) : 0;
        DeleteTree(folder, true);
        return free;
    }

    std::string path_;
};

bool AskBeforeExtracting(const BoxSettings& boxes, const std::string& folder, const TGFileInfo& package) {
    const std::string drive = std::string(1, UpperAscii(folder.empty() ? 'C' : folder[0])) + ":";
    const SpaceTexts texts{package.Text("s2"), package.Text("s3"), package.Text("s4"), package.Text("s5"),
                           package.Text("s6")};
    const std::string question =
        FreeSpaceQuestion(package.Flag(kFlagAlwaysShowTempNotice), package.RequiredSpace(folder),
                          static_cast<double>(DiskFreeBytes(folder)), drive, texts);
    if (question.empty()) return true;
    return ConfirmYesNo(boxes, nullptr, question, package.Text("Confirm"), package.Charset(), package.Text("BtnText"));
}

SetupOutcome OutcomeOf(const ExtractionResult& x) {
    switch (x.failure) {
        case ExtractionFailure::BadChecksum:
        case ExtractionFailure::Damaged: return SetupOutcome::Damaged;
        case ExtractionFailure::WriteFailed: return SetupOutcome::ExtractionFailed;
        case ExtractionFailure::Cancelled: return SetupOutcome::DiskCancelled;
        case ExtractionFailure::Stopped: return SetupOutcome::Declined;
        case ExtractionFailure::None: break;
    }
    return x.setupName.empty() ? SetupOutcome::NotStarted : SetupOutcome::Ran;
}

void ReportDamage(const BoxSettings& boxes, const ExtractionResult& x, const TGFileInfo& package) {
    std::string text = package.Text("s7");
    if (x.failure == ExtractionFailure::Damaged) text += "<P><P>" + x.damage;
    ErrorBox(boxes, nullptr, text, package.Text("Error"), package.Charset(), package.Text("BtnText"));
}

void DeleteCleanUpFiles(const RunContext& ctx) {
    AgentDescriptors files = AgentDescriptorsFor(FolderOf(ctx.ownPath), ctx.package.UpdateItem(1));
    const struct {
        IniKey ask;
        IniKey file;
    } cleanUps[] = {{info_key::kRemoveStartUpShortcut, original_key::kStartUpLink},
                    {info_key::kRemoveCheckForNewUpdateShortcut, original_key::kCheckForNewUpdateLink}};
    for (const auto& c : cleanUps) {
        const std::string file = ReadText(files.original, c.file);
        if (ReadFlag(files.info, c.ask) && FileExists(file)) DeleteFileA(file.c_str());
    }
}

// Starts the setup program and waits for it and its handshake: the program
// removes the atom when it completes, and the stub waits while its dialog
// window (a class named after the token) is open.
DriverResult Launch(const RunContext& ctx, StatusDisplay& display, const DriverInputs& in,
                    const std::string& destination, const ExtractionResult& x) {
    LaunchInputs li;
    li.destination = destination;
    li.setupName = x.setupName;
    li.setupParameters = x.setupParameters;
    li.commandTail = in.commandTail;
    li.token = "_" + IntText(GetCurrentThreadId());
    li.ownPath = ctx.ownPath;
    li.agentProgram = ctx.package.IsAutoUpdateProgram();
    const ProgramStart start = SetupCommandLine(li);
    StdOutLine(" ==== WinExec(Setup.exe) >>" + start.commandLine + "<<");
    const std::string atomName = kAtomPrefix + li.token;
    GlobalAddAtomA(atomName.c_str());
    KernelHandle process = StartProgram(start, in.foreground ? SW_SHOW : SW_HIDE);
    display.Show(false);
    DriverResult result;
    if (process) {
        result.outcome = SetupOutcome::Ran;
        WaitPumping(1000, 0);
        WaitForProcess(process.get());
        DWORD code = 0;
        GetExitCodeProcess(process.get(), &code);
        result.exitCode = static_cast<int>(code);
        const std::string dialogClass = kDialogClassPrefix + li.token;
        while (FindWindowA(dialogClass.c_str(), nullptr)) PumpMessages(100);
        WaitPumping(1000, 0);
    }
    const ATOM left = GlobalFindAtomA(atomName.c_str());
    result.completed = process && left == 0;
    if (left != 0) GlobalDeleteAtom(left);
    if (result.completed) DeleteCleanUpFiles(ctx);
    return result;
}

}  // namespace

void WaitForProcess(HANDLE process) {
    DWORD code = 0;
    while (GetExitCodeProcess(process, &code) && code == STILL_ACTIVE) WaitPumping(500, 0);
}

DriverResult RunExtractionDriver(RunContext& ctx, StatusDisplay& display, const DriverInputs& in) {
    // A volume of the run speaks the run's language.
    const TGFileInfo package(in.packagePath, ctx.package.language());
    display.ShowActivityBar(package.Flag(kFlagShowActivityBar));
    display.SetStatusText(package.Text("s1"), package.FontName(), package.Charset(), package.FontSize());
    std::string destination = in.destination;
    DriverResult result;
    // Without a private folder nothing is extracted: any other place could
    // hold files that others prepared.
    if (destination.empty()) {
        result.outcome = SetupOutcome::ExtractionFailed;
        return result;
    }
    AlternativeFolder alternative;
    if (!SpaceFits(destination, package)) {
        const AlternativeFolder::Outcome made = alternative.Make();
        if (made == AlternativeFolder::Outcome::Failed) {
            result.outcome = SetupOutcome::ExtractionFailed;
            return result;
        }
        if (made == AlternativeFolder::Outcome::Made) destination = alternative.path();
    }
    StdOutLine("========= ForegroundOp=" + BoolText(in.foreground) + " ==========");
    if (in.foreground && !AskBeforeExtracting(ctx.boxes, destination, package)) {
        result.outcome = SetupOutcome::Declined;
        return result;
    }
    DiskPrompt prompt{package.Text("s8"), package.Text("Attention"), package.Text("Error"), package.Charset(),
                      package.Text("BtnText")};
    if (in.foreground) display.Show(true);
    WaitPumping(1000, 0);
    const bool alwaysPrompt = ReadRegistryValue(kSpanDiskKey, "ForcePrompt", "0") == "1";
    Win32ExtractionHost host(prompt, display, ctx.boxes, ctx.downloadCancel);
    const ExtractionResult x = ExtractPackage(
        ExtractionInputs{in.packagePath, destination, in.updateProgramName, alwaysPrompt, in.launcherPath}, host);
    WaitPumping(1000, 0);
    result.outcome = OutcomeOf(x);
    // The setup runs only from a whole, undamaged extraction, and not once
    // the user closed the window: that run ends as declined, never as a
    // success without a setup.
    if (result.outcome == SetupOutcome::Ran && ctx.downloadCancel) result.outcome = SetupOutcome::Declined;
    if (result.outcome == SetupOutcome::Ran)
        result = Launch(ctx, display, in, destination, x);
    else if (result.outcome == SetupOutcome::Damaged) {
        // A sealed volume is checked as it is extracted: what came out of a
        // damaged one goes before the user is told.
        DeleteTree(destination, true);
        ReportDamage(ctx.boxes, x, package);
    }
    return result;
}

}  // namespace rv
