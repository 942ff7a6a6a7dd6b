#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

#include "base/paths.h"
#include "env/folders.h"

namespace rv {
namespace {

bool NoLeadBytes(unsigned char) { return false; }

TEST(Folders, System16Candidates) {
    EXPECT_EQ(System16Candidate("C:\\WINDOWS\\SYSTEM32"), "C:\\WINDOWS\\SYSTEM");
    EXPECT_EQ(System16Candidate("C:\\W32\\system32"), "C:\\W32\\system");  // the last "32"
    EXPECT_EQ(System16Candidate("C:\\WINDOWS\\SYSTEM"), "");
}

TEST(Folders, ParentFolders) {
    EXPECT_EQ(ParentFolder("C:\\users\\me\\Documents", NoLeadBytes), "C:\\users\\me");
    EXPECT_EQ(ParentFolder("C:\\users\\me\\", NoLeadBytes), "C:\\users");
    EXPECT_EQ(ParentFolder("", NoLeadBytes), "");
}

std::set<std::string> gExisting;
bool Exists(const std::string& path) { return gExisting.count(path) != 0; }

TEST(Folders, FirstExistingTakesTheLastUntested) {
    gExisting = {"B", "C"};
    EXPECT_EQ(FirstExisting({"A", "B", "C"}, Exists), "B");
    EXPECT_EQ(FirstExisting({"A", "D"}, Exists), "D");
    EXPECT_EQ(FirstExisting({"", "C"}, Exists), "C");
}

class FakeLookup : public RunTimeLookup {
public:
    std::map<std::string, std::string> registry;  // "key|value" -> data
    std::set<std::string> folders, files;
    std::map<std::pair<std::string, int>, std::string> fileHits, folderHits;
    std::vector<std::string> calls;

    std::string RegistryValue(const std::string& key, const std::string& valueName) override {
        calls.push_back("reg " + key + "|" + valueName);
        auto it = registry.find(key + "|" + valueName);
        return it == registry.end() ? std::string() : it->second;
    }
    bool FolderExists(const std::string& path) override { return folders.count(path) != 0; }
    bool FileExists(const std::string& path) override { return files.count(path) != 0; }
    std::string SearchFile(const std::string& name, int type) override {
        calls.push_back("file " + name + " " + std::to_string(type));
        return fileHits[{name, type}];
    }
    std::string SearchFolder(const std::string& name, int type) override {
        calls.push_back("folder " + name + " " + std::to_string(type));
        return folderHits[{name, type}];
    }
    void BeforeSearch() override { calls.push_back("hook"); }
    void NotFound(const std::string& shown) override { calls.push_back("tell " + shown); }
    void MarkMissing() override { calls.push_back("missing"); }
    LeadBytePredicate LeadBytes() override { return NoLeadBytes; }
};

const char* kAppPaths = "HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";

TEST(RunTimeFolders, MethodsInOrderUntilOneFinds) {
    FakeLookup l;
    l.registry[std::string(kAppPaths) + "app.exe|"] = "C:\\Prog\\App\\app.exe";
    l.registry["HKEY_CURRENT_USER\\Soft\\Ed|Path"] = "D:\\Ed\\";
    l.registry["HKEY_CURRENT_USER\\Soft\\Tool|"] = "E:\\Tool\\tool.exe";
    l.files = {"E:\\Tool\\tool.exe"};
    l.folders = {"E:\\Tool\\"};
    l.fileHits[{"x.dll", kNetworkDrive}] = "\\\\srv\\share\\lib\\x.dll";
    l.folderHits[{"Data", kFixedDrive}] = "D:\\Work\\Data";
    const struct {
        const char* definition;
        const char* expected;
    } cases[] = {
        {"|1|app.exe|", "C:\\Prog\\App"},
        {"|1|none.exe|1|HKEY_CURRENT_USER\\Soft\\Ed\\Path|", "D:\\Ed"},  // default value empty: the named one
        {"|0||1|HKEY_CURRENT_USER\\Soft\\Tool|", "E:\\Tool"},            // a file's folder
        {"|0||0||1|x.dll|1|1|", "\\\\srv\\share\\lib"},                  // fixed drives first, then network
        {"|0||0||0||0|0|1|Data|1|0|", "D:\\Work\\Data"},
        {"|0||0||0||0|0|0||0|0|1|F:\\Fixed|", "F:\\Fixed"},
        {"|1|app.exe|0||0||0|0|0||0|0|1|F:\\Fixed|", "C:\\Prog\\App"},  // the first find wins
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolveRunTimeFolder(c.definition, l), c.expected) << c.definition;
}

TEST(RunTimeFolders, NothingFoundTellsAndMarksWhenAsked) {
    FakeLookup l;
    EXPECT_EQ(ResolveRunTimeFolder("|0||0||1|y.dll|1|0|0||0|0|0||||1|1|1|0|", l), "");
    EXPECT_EQ(l.calls, (std::vector<std::string>{"hook", "file y.dll 3", "tell y.dll", "missing"}));
    l.calls.clear();
    EXPECT_EQ(ResolveRunTimeFolder("|1|a.exe|0||0||0|0|0||0|0|0||||0|0|", l), "");
    EXPECT_EQ(l.calls, (std::vector<std::string>{std::string("reg ") + kAppPaths + "a.exe|"}));
}

TEST(RunTimeFolders, SlotsResolveOnceAndOnlyWhenDefined) {
    FakeLookup l;
    RunTimeSlots slots;
    for (int n : {0, 1, 8, 9}) EXPECT_EQ(slots.Get(n, l), "") << n;
    EXPECT_TRUE(l.calls.empty()) << "an undefined slot asks nothing";
    slots.Define(2, "|0||0||0||1|0|1|Data|1|0|");
    l.folderHits[{"Data", kFixedDrive}] = "D:\\Data";
    EXPECT_EQ(slots.Get(2, l), "D:\\Data");
    l.folderHits.clear();
    EXPECT_EQ(slots.Get(2, l), "D:\\Data");
    EXPECT_EQ(l.calls.size(), 1u);
}

}  // namespace
}  // namespace rv
