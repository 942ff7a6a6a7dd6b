#include "builder/cli.h"

#include <cstring>

#include "base/numbers.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/code_page.h"
#include "builder/examine.h"
#include "builder/output_file.h"
#include "builder/project.h"
#include "builder/publish.h"
#include "builder/report.h"
#include "builder/suggest.h"

namespace rv::builder {

namespace {

const char kUsage[] = R"(usage: mksetup COMMAND [options]
       mksetup help COMMAND     the options of one command (or mksetup COMMAND --help)

Commands:
  build PROJECT.toml [-o OUT] [--stub PATH] [-j N] [--json]
                     make a setup file (and its volumes) from a project
  list FILE [--json]     the files inside a setup file, named as Windows shows them
  verify FILE [--json]   test every volume's checksum and decode every record
  extract FILE -o DIR [--json]
                     write the files into DIR, with their stored times
  info FILE [--json]     the settings of the blocks and the trailer
  publish PUBLISH.toml [-o DIR] [--json]
                     write an update edition into DIR: the .INFO descriptor,
                     a copy of the new setup and, for news, the inform file
FILE is a setup file or the first volume of a spanned one (Setup.exe or
Setup.exe.001); further volumes are found beside it.

Options:
  -o PATH      build: the output file (overrides 'output'); extract, publish:
               the folder
  --stub PATH  build: the stub image (overrides 'stub')
  -j N         build: compress on N threads (default: every core)
  --json       machine-readable output; failures too, as {"ok": false, ...}
  -q, --quiet  no warnings, no progress
  -v, --verbose  build: name every file as it goes in
  --           what follows is a file name, even when it starts with '-'
  -h, --help   this text          --version   the version of mksetup

The stub: the setup file starts with a copy of the stub image, the
32-bit build/win32/bin/stub.exe of the win32 preset (cmake --preset win32 &&
cmake --build --preset win32); 'stub' or --stub names it.

A minimal project (paths relative to the project file):
  stub = "build/win32/bin/stub.exe"
  source = "files"            # every file below it goes in
  output = "Setup.exe"
  [setup]
  program = "setup.exe"       # run after extracting, from the source folder

Project keys (TOML; relative paths are taken from the project file's folder):
  stub = "PATH"              stub image, its PE header at offset 256
  source = "DIR"             folder of the files to pack (all of it, sorted);
                             not needed for an internet setup or an agent
  output = "PATH"            setup file to write; never the project, the stub,
                             a language file or a place inside source
  languages = ["PATH", ...]  one key=value text file per language, named
                             after it (English.txt); English gets the
                             built-in texts for missing keys
  time_stamp = 2024-06-01T12:00:00
                             build time, local; default SOURCE_DATE_EPOCH
                             (read as UTC), else now
  codepage = 1252            the code page file names are stored in (default:
                             the first language's Charset, else 1252)
  follow_links = true|false  pack what symbolic links point to (default:
                             refuse links)
  exclude = ["*.pdb", ".git/"]  names left out; "DIR/" matches folders only
  [setup]       program = "REL\PATH"  the program the stub runs (in source)
                parameters = "TEXT"   extra parameters for it
  [compression] level = 1..9 (default 9)   store = true|false (default false)
  [package]     record_length = true   record the length (needed for signing)
                volume_size = BYTES    span over volumes of at most BYTES; 0 off
                temp_drive_notice, activity_bar, debug_trace,
                spanned_over_disks, write_agent, is_agent = true|false
  [update]      agent_settings, descriptor, program = "TEXT"
                token = "TEXT" (stored scrambled)   background = true|false
  [update.original]  the .original descriptor, added to the package's files:
                VersionOriginal (required), ProbeSecondsInterval,
                ReAskSecondsInterval, CharSet, FontSize = INTEGER;
                ProgramName, TargetDir, SharedDir, AuxiliaryDir, StartUpLink,
                CheckforNewUpdateLink, BtnText, Error, Confirm, Attention,
                FontName, s2 ... s35 = "TEXT"
  [internet]    makes an internet setup:
                base_url, setup_file = "TEXT" (required)
                always_download = true|false   token = "TEXT" (scrambled)
                size = BYTES   confirm_download = true|false
  Values of [update] and [internet] cannot contain '|'.

Publish keys: descriptor = "NAME.INFO", token = "TEXT" (the product's),
  setup_file = "PATH" (the new setup), output = "DIR"; tables [NewSetup],
  [General], [AutoInform] with the .INFO keys, and in [AutoInform]
  body = "TEXT" or body_file = "PATH" for the news text.

Environment: SOURCE_DATE_EPOCH, when set, is the build time (read as UTC)
and the latest file time stored, for reproducible builds.

Exit codes: 0 ok, 1 usage, 2 bad project or input, 3 damaged package,
4 output cannot be written.
)";

struct CommandHelp {
    const char* name;
    const char* options;  // the options it takes: o -o, s --stub, j -j, v -v
    const char* text;
};

// --json, -q, -- and --help go with every command.
const CommandHelp kCommands[] = {
    {"build", "osjv",
     "usage: mksetup build PROJECT.toml [-o OUT] [--stub PATH] [-j N] [-q] [-v] [--json]\n"
     "Makes a setup file (and its volumes) from a project.\n"
     "  -o OUT       the output file (overrides 'output')\n"
     "  --stub PATH  the stub image (overrides 'stub')\n"
     "  -j N         compress on N threads (default: every core)\n"
     "  -q           no warnings, no progress    -v  name every file as it goes in\n"
     "  --json       the result as one JSON object\n"},
    {"list", "",
     "usage: mksetup list FILE [--json]\n"
     "The files inside a setup file: size, stored time and name as Windows shows it.\n"
     "Exits 3 when a checksum fails.\n"},
    {"verify", "",
     "usage: mksetup verify FILE [--json]\n"
     "Tests every volume's checksum and decodes every record; exits 3 on damage.\n"},
    {"extract", "o",
     "usage: mksetup extract FILE -o DIR [--json]\n"
     "Writes the files into DIR, with their stored times.\n"},
    {"info", "",
     "usage: mksetup info FILE [--json]\n"
     "Volumes, time stamp, flags, required space, languages, update and internet blocks.\n"
     "Exits 3 when a checksum fails.\n"},
    {"publish", "o",
     "usage: mksetup publish PUBLISH.toml [-o DIR] [--json]\n"
     "Writes an update edition into DIR (overrides 'output'): the .INFO descriptor, a copy\n"
     "of the new setup and, for a news edition, the inform file.\n"},
};

const CommandHelp* FindCommand(const std::string& name) {
    for (const CommandHelp& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

std::vector<std::string> CommandNames() {
    std::vector<std::string> names{"help"};
    for (const CommandHelp& c : kCommands) names.push_back(c.name);
    return names;
}

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::string output, stub;
    unsigned threads = 0;
    bool json = false, help = false, version = false, quiet = false, verbose = false;
    std::string options;  // the letters of the command-specific options given
};

std::string OptionValue(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size()) throw CliError(kExitUsage, args[i] + " needs a value");
    return args[++i];
}

const std::vector<std::string> kOptions = {"-o", "--stub",    "-j", "--json", "-q",       "--quiet",
                                           "-v", "--verbose", "-h", "--help", "--version"};

// Returns false for an argument that is no option.
bool ParseOption(const std::vector<std::string>& args, size_t& i, Arguments& a) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
        a.help = true;
    } else if (arg == "--version") {
        a.version = true;
    } else if (arg == "--json") {
        a.json = true;
    } else if (arg == "-q" || arg == "--quiet") {
        a.quiet = true;
    } else if (arg == "-v" || arg == "--verbose") {
        a.verbose = true;
        a.options += 'v';
    } else if (arg == "-o") {
        a.output = OptionValue(args, i);
        a.options += 'o';
    } else if (arg == "--stub") {
        a.stub = OptionValue(args, i);
        a.options += 's';
    } else if (arg == "-j") {
        const long long n = ToInt64(OptionValue(args, i), 0);
        if (n < 1 || n > 256) throw CliError(kExitUsage, "-j needs a thread count from 1 to 256");
        a.threads = static_cast<unsigned>(n);
        a.options += 'j';
    } else if (arg.size() > 1 && arg[0] == '-') {
        throw CliError(kExitUsage, "unknown option " + arg + DidYouMean(arg, kOptions));
    } else {
        return false;
    }
    return true;
}

Arguments Parse(const std::vector<std::string>& args) {
    Arguments a;
    bool onlyNames = false;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!onlyNames && args[i] == "--") {
            onlyNames = true;
        } else if (onlyNames || !ParseOption(args, i, a)) {
            if (a.command.empty())
                a.command = args[i];
            else
                a.positional.push_back(args[i]);
        }
    }
    return a;
}

const CommandHelp& CheckedCommand(const Arguments& a) {
    if (a.command.empty()) throw CliError(kExitUsage, "no command given");
    const CommandHelp* c = FindCommand(a.command);
    if (!c) throw CliError(kExitUsage, "unknown command " + a.command + DidYouMean(a.command, CommandNames()));
    const char* names[] = {"-o", "--stub", "-j", "-v"};
    const char letters[] = "osjv";
    for (char given : a.options)
        if (!std::strchr(c->options, given))
            throw CliError(kExitUsage, a.command + " takes no " + names[std::strchr(letters, given) - letters] +
                                           " (mksetup help " + a.command + ")");
    return *c;
}

const std::string& OnlyFile(const Arguments& a) {
    if (a.positional.size() != 1) throw CliError(kExitUsage, a.command + " takes one file");
    return a.positional[0];
}

// A line on the terminal that each report replaces: the share of the bytes
// read, redrawn only when the percentage changes.
class ProgressLine {
public:
    explicit ProgressLine(std::ostream& err) : err_(err) {}
    ~ProgressLine() {
        if (shown_) err_ << '\r' << std::string(40, ' ') << '\r' << std::flush;
    }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void Show(uint64_t done, uint64_t total) {
        const int percent = total ? static_cast<int>(done * 100 / total) : 100;
        if (percent == last_) return;
        last_ = percent;
        shown_ = true;
        err_ << "\rmksetup: " << percent << "% of " << (total >> 20) << " MiB" << std::flush;
    }

private:
    std::ostream& err_;
    int last_ = -1;
    bool shown_ = false;
};

void PrintWarnings(const std::vector<std::string>& warnings, const Arguments& a, std::ostream& err) {
    if (a.quiet) return;
    for (const std::string& w : warnings) err << "mksetup: warning: " << TerminalSafe(w) << '\n';
}

int Build(const Arguments& a, const Environment& env, std::ostream& out, std::ostream& err) {
    // Only a build has staging to remove; the other commands stop at once.
    InstallInterruptHandlers();
    const Project project = LoadProject(OnlyFile(a));
    PrintWarnings(project.warnings, a, err);
    BuildOptions o;
    o.stubOverride = a.stub;
    o.outputOverride = a.output;
    o.threads = a.threads;
    o.sourceDateEpoch = env.sourceDateEpoch;
    o.now = env.now;
    if (a.verbose) o.onFile = [&err](const std::string& name) { err << "mksetup: " << TerminalSafe(name) << '\n'; };
    BuildSummary summary;
    {
        // Gone before anything else is written to the terminal.
        ProgressLine progress(err);
        if (env.stderrIsTerminal && !a.quiet && !a.verbose)
            o.progress = [&progress](uint64_t done, uint64_t total) { progress.Show(done, total); };
        summary = BuildPackage(project, o);
    }
    PrintWarnings(summary.warnings, a, err);
    PrintBuild(out, summary, a.json ? Format::Json : Format::Text);
    return kExitOk;
}

// `list` and `info` show a damaged package too, then fail.
int Inspect(const PackageContents& c, void (*print)(std::ostream&, const PackageContents&, Format), const Arguments& a,
            std::ostream& out, std::ostream& err) {
    print(out, c, a.json ? Format::Json : Format::Text);
    const std::string damage = Damage(c);
    if (damage.empty()) return kExitOk;
    err << "mksetup: " << TerminalSafe(damage) << '\n';
    return kExitDamaged;
}

int Run(const Arguments& a, const Environment& env, std::ostream& out, std::ostream& err) {
    const Format f = a.json ? Format::Json : Format::Text;
    if (a.command == "build") return Build(a, env, out, err);
    if (a.command == "list") return Inspect(ReadContents(OnlyFile(a), Checksums::Report), PrintList, a, out, err);
    if (a.command == "info") return Inspect(ReadSettings(OnlyFile(a)), PrintInfo, a, out, err);
    if (a.command == "verify") {
        PrintVerify(out, ReadContents(OnlyFile(a), Checksums::Require), f);
    } else if (a.command == "extract") {
        if (a.output.empty()) throw CliError(kExitUsage, "extract needs -o DIR");
        PrintExtract(out, ExtractPackage(OnlyFile(a), a.output), a.output, f);
    } else if (a.command == "publish") {
        const PublishProject project = LoadPublishProject(OnlyFile(a));
        PrintWarnings(project.warnings, a, err);
        PrintPublish(out, Publish(project, a.output), f);
    }
    return kExitOk;
}

// "mksetup help", "mksetup help build", "mksetup build --help".
int Help(const Arguments& a, std::ostream& out) {
    const std::string topic = a.command == "help" ? (a.positional.empty() ? "" : a.positional[0]) : a.command;
    if (topic.empty()) {
        out << kUsage;
        return kExitOk;
    }
    const CommandHelp* c = FindCommand(topic);
    if (!c) throw CliError(kExitUsage, "no command " + topic + DidYouMean(topic, CommandNames()));
    out << c->text << "Also: -q quiet, --json, -- before a name that starts with '-'. Exit codes: mksetup --help.\n";
    return kExitOk;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const Environment& env, std::ostream& out, std::ostream& err) {
    bool json = false;
    try {
        const Arguments a = Parse(args);
        json = a.json;
        if (a.version) {
            out << "mksetup " << RV_VERSION << '\n';
            return kExitOk;
        }
        if (a.help || a.command == "help") return Help(a, out);
        CheckedCommand(a);
        return Run(a, env, out, err);
    } catch (const CliError& e) {
        err << "mksetup: " << TerminalSafe(e.what()) << '\n';
        if (e.code() == kExitUsage) err << "Try 'mksetup --help'.\n";
        if (json) PrintError(out, e.what());
        return e.code();
    } catch (const std::exception& e) {
        err << "mksetup: " << TerminalSafe(e.what()) << '\n';
        if (json) PrintError(out, e.what());
        return kExitIo;
    }
}

}  // namespace rv::builder
