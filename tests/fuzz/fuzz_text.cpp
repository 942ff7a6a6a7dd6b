// The text parsers: delimited lists, language sections, the markup
// converter, command-line switches and run modes, record headers and stored
// names, volume names, numbers, registry paths and the two scramblers.
// Input: numbers, then texts a, b, c (see fuzz_input.h).
#include <cstddef>
#include <cstdint>
#include <string>

#include "base/command_line.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "base/registry.h"
#include "base/scrambler.h"
#include "base/switches.h"
#include "base/text.h"
#include "format/language.h"
#include "format/records.h"
#include "format/scramble.h"
#include "format/volumes.h"
#include "package/launch.h"
#include "stub/run_mode.h"
#include "tests/fuzz/fuzz_input.h"
#include "tests/fuzz/memory_host.h"
#include "ui/message_box.h"

namespace rv::fuzz {
namespace {

bool NoLeadBytes(unsigned char) { return false; }
bool AllLeadBytes(unsigned char c) { return c >= 0x80; }

void Lists(const FuzzInput& in) {
    const std::string& list = in.Text(0);
    const int count = ListCount(list);
    Require(count >= 0 && static_cast<size_t>(count) <= list.size());
    for (int i = -1; i <= count + 1 && i < 64; ++i) {
        const std::string field = ListField(list, i, "?");
        Require(field == "?" || field.find(list[0]) == std::string::npos);
    }
    const int index = static_cast<int>(in.Number(0, 1) % 40);
    const std::string changed = SetListField(list, index, in.Text(1));
    if (in.Text(1).find_first_of(std::string("|^!~@#$&*\xFF\0", 11)) == std::string::npos)
        Require(ListField(changed, index) == in.Text(1));
    DelimitedValue(list, in.Text(1), in.Text(2));
    ReplaceAll(list, in.Text(1), in.Text(2), in.Number(1, 1) & 1);
    const long long from = static_cast<long long>(in.Signed(8) % 1000);
    Require(PosText(in.Text(1), list) <= list.size());
    Require(PosFrom(in.Text(1), list, from) <= list.size());
    PosFromText(in.Text(1), list, from);
    LastPos(in.Text(1), list);
    TextBefore(list, in.Text(1));
    TextAfter(list, in.Text(1));
    Unquote(list, '"');
    SameText(list, in.Text(1));
    ParseNumber(list, 2 + static_cast<int>(in.Number(2, 1) % 15));
    ParseHex(list);
    ToInt64(list, 0);
}

void Language(const FuzzInput& in) {
    const std::string section = ChooseLanguageSection(in.Text(0), in.Text(1));
    for (size_t i = 0; i < kTextDefaultCount; ++i) SectionText(section, kTextDefaults[i].key);
    SectionValue(section, in.Text(2), "fallback");
    SectionCharset(section);
    SectionFontSize(section);
    SectionFontName(section);
    LanguageNameOf(static_cast<int>(in.Number(3, 2)));
    UnquoteIniValue(in.Text(0));
    WithArgument(in.Text(0), in.Text(1));
}

void Markup(const FuzzInput& in) {
    const std::string& text = in.Text(0);
    const PlainText plain = ConvertMarkup(text);
    for (const BoldRange& b : plain.bold)
        Require(0 <= b.start && b.start <= b.end && static_cast<size_t>(b.end) <= plain.text.size());
    const PlainText bold = SplitBold(text);
    for (const BoldRange& b : bold.bold)
        Require(0 <= b.start && b.start <= b.end && static_cast<size_t>(b.end) <= bold.text.size());
    MarkupToPlain(text);
    MeasuredLines(plain.text);
    HeadingOf(in.Text(1));
    WithHeading(text, in.Text(1));
    const uint32_t style = static_cast<uint32_t>(in.Number(4, 4));
    const std::vector<BoxButton> buttons = ButtonsOf(style, in.Text(2));
    const int count = static_cast<int>(buttons.size());
    const int alt = AltKeyButton(static_cast<char>(in.Number(8, 1)), buttons);
    const int letter = LetterKeyButton(static_cast<unsigned>(in.Number(9, 1)), buttons);
    Require(alt >= -1 && alt < count && letter >= -1 && letter < count);
    const KeyDecision key =
        KeyDownDecision(static_cast<unsigned>(in.Number(10, 1)), static_cast<int>(in.Number(11, 1) % 9) - 1, buttons);
    Require(key.action == KeyAction::None || (key.button >= 0 && key.button < count));
    StyleForCharset(style, static_cast<int>(in.Number(12, 1)));
}

void Switches(const FuzzInput& in) {
    const std::string tail = CommandTailOf(in.Text(0), in.Text(1));
    for (const char* name : {"/SpanCdLvl=", "/TRANSIENT=", "/DELAY=", "/STOP=", "/WM_MSG=", "/TEST=", "/hide",
                             "/SpanDiskFName1=", "/OriginExe=", "/TH_ID="}) {
        SwitchPresentIn(tail, name);
        SwitchValueIn(tail, name);
        SwitchNumberIn(tail, name, -1);
    }
    RunModeInputs mode;
    mode.agentFlag = in.Number(0, 1) & 1;
    mode.spannedFlag = in.Number(0, 1) & 2;
    mode.ownPath = in.Text(1);
    mode.updateProgramName = in.Text(2);
    mode.commandTail = tail;
    const ModeTests tests = EvaluateModeTests(mode);
    WindowClassName(mode);
    AgentCopyClassName(in.Text(2));
    DecideRunPlan(tests, in.Number(0, 1) & 4);
    SpannedRestartCommand(in.Text(2), in.Text(1), tail);
    AgentCopyArguments(tail);
    ForwardedMessages(tail, in.Text(2), in.Number(0, 1) & 8);
    LaunchInputs launch{"C:\\T\\SETUP_1", in.Text(2), in.Text(1), tail, "_1", in.Text(1), (in.Number(0, 1) & 16) != 0};
    const ProgramStart start = SetupCommandLine(launch);
    const std::string quoted = QuotedPath(start.application);
    Require(start.commandLine.compare(0, quoted.size(), quoted) == 0);
}

void NamesAndPaths(const FuzzInput& in) {
    const std::string& name = in.Text(0);
    const RecordHeader h = ParseRecordHeader(name);
    Require(h.name.find('*') == std::string::npos);
    if (IsSafeRelativeName(h.name)) Require(InsideDestination(std::string(kDestination) + "\\" + h.name));
    VolumeName(VolumeBaseName(name), static_cast<int>(in.Number(0, 2)));
    FileNameOf(name);
    FolderOf(name);
    NameWithoutExtensions(name);
    WithBackslash(name, in.Number(1, 1) & 1, NoLeadBytes);
    WithoutBackslash(name, AllLeadBytes);
    SplitRegistryPath(name);
    RegistryValueText(static_cast<uint32_t>(in.Number(2, 1) % 12), name);
    RemoveSwitch(name, in.Text(1));
}

void Scramblers(const FuzzInput& in) {
    const std::string& value = in.Text(0);
    const int key = 33 + static_cast<int>(in.Number(0, 1) % 90);
    ScrambleWithKey(value, false, key);
    if (!StartsWith(kScrambleMarker, value, false))
        Require(ScrambleWithKey(ScrambleWithKey(value, true, key), false, key) == value);
    UnscrambleItem(value);
    const std::optional<std::string> back = UnscrambleItem(ScrambleItem(value, static_cast<unsigned>(in.Number(1, 4))));
    Require(back && *back == value);
}

}  // namespace
}  // namespace rv::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rv::fuzz;
    const FuzzInput in(data, size);
    Lists(in);
    Language(in);
    Markup(in);
    Switches(in);
    NamesAndPaths(in);
    Scramblers(in);
    return 0;
}
