#include "builder/cli.h"

#include "base/numbers.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/examine.h"
#include "builder/project.h"
#include "builder/publish.h"
#include "builder/report.h"

namespace rv::builder {

namespace {

const char kUsage[] = R"(usage: mksetup COMMAND [options]

Commands:
  build PROJECT.toml [-o OUT] [--stub PATH] [-j N] [--json]
                     make a setup file (and its volumes) from a project
  list FILE [--json]     the files inside a setup file
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
  -h, --help   this text

Project keys (TOML; relative paths are taken from the project file's folder):
  stub = "PATH"              stub image, its PE header at offset 256
  source = "DIR"             folder of the files to pack (all of it, sorted);
                             not needed for an internet setup
  output = "PATH"            setup file to write
  languages = ["PATH", ...]  one key=value text file per language, named
                             after it (English.txt); English gets the
                             built-in texts for missing keys
  time_stamp = 2024-06-01T12:00:00
                             build time, local; default SOURCE_DATE_EPOCH
                             (read as UTC), else now
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

Publish keys: descriptor = "NAME.INFO", token = "TEXT" (the product's),
  setup_file = "PATH" (the new setup), output = "DIR"; tables [NewSetup],
  [General], [AutoInform] with the .INFO keys, and in [AutoInform]
  body = "TEXT" or body_file = "PATH" for the news text.

Environment: SOURCE_DATE_EPOCH, when set, is the build time (read as UTC)
and the latest file time stored, for reproducible builds.

Exit codes: 0 ok, 1 usage, 2 bad project or input, 3 damaged package,
4 output cannot be written.
)";

struct Arguments {
    std::string command;
    std::vector<std::string> positional;
    std::string output, stub;
    unsigned threads = 0;
    bool json = false;
    bool help = false;
};

std::string OptionValue(const std::vector<std::string>& args, size_t& i) {
    if (i + 1 >= args.size()) throw CliError(kExitUsage, args[i] + " needs a value");
    return args[++i];
}

Arguments Parse(const std::vector<std::string>& args) {
    Arguments a;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-h" || arg == "--help") {
            a.help = true;
        } else if (arg == "--json") {
            a.json = true;
        } else if (arg == "-o") {
            a.output = OptionValue(args, i);
        } else if (arg == "--stub") {
            a.stub = OptionValue(args, i);
        } else if (arg == "-j") {
            const long long n = ToInt64(OptionValue(args, i), 0);
            if (n < 1 || n > 256) throw CliError(kExitUsage, "-j needs a thread count from 1 to 256");
            a.threads = static_cast<unsigned>(n);
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw CliError(kExitUsage, "unknown option " + arg);
        } else if (a.command.empty()) {
            a.command = arg;
        } else {
            a.positional.push_back(arg);
        }
    }
    return a;
}

const std::string& OnlyFile(const Arguments& a) {
    if (a.positional.size() != 1) throw CliError(kExitUsage, a.command + " takes one file");
    return a.positional[0];
}

void Run(const Arguments& a, const Environment& env, std::ostream& out) {
    const Format f = a.json ? Format::Json : Format::Text;
    if (a.command == "build") {
        BuildOptions o;
        o.stubOverride = a.stub;
        o.outputOverride = a.output;
        o.threads = a.threads;
        o.sourceDateEpoch = env.sourceDateEpoch;
        o.now = env.now;
        PrintBuild(out, BuildPackage(LoadProject(OnlyFile(a)), o), f);
    } else if (a.command == "list") {
        PrintList(out, ReadContents(OnlyFile(a), Checksums::Report), f);
    } else if (a.command == "verify") {
        PrintVerify(out, ReadContents(OnlyFile(a), Checksums::Require), f);
    } else if (a.command == "extract") {
        if (a.output.empty()) throw CliError(kExitUsage, "extract needs -o DIR");
        PrintExtract(out, ExtractPackage(OnlyFile(a), a.output), a.output, f);
    } else if (a.command == "info") {
        PrintInfo(out, ReadSettings(OnlyFile(a)), f);
    } else if (a.command == "publish") {
        PrintPublish(out, Publish(LoadPublishProject(OnlyFile(a)), a.output), f);
    } else {
        throw CliError(kExitUsage, a.command.empty() ? "no command given" : "unknown command " + a.command);
    }
}

}  // namespace

int RunCli(const std::vector<std::string>& args, const Environment& env, std::ostream& out, std::ostream& err) {
    bool json = false;
    try {
        const Arguments a = Parse(args);
        json = a.json;
        if (a.help) {
            out << kUsage;
            return kExitOk;
        }
        Run(a, env, out);
        return kExitOk;
    } catch (const CliError& e) {
        err << "mksetup: " << e.what() << '\n';
        if (e.code() == kExitUsage) err << "Try 'mksetup --help'.\n";
        if (json) PrintError(out, e.what());
        return e.code();
    } catch (const std::exception& e) {
        err << "mksetup: " << e.what() << '\n';
        if (json) PrintError(out, e.what());
        return kExitIo;
    }
}

}  // namespace rv::builder
