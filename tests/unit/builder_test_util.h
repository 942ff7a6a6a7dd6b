// Helpers of the builder's tests: a project folder with a stub, a source
// folder and a project file; the CliError a call throws; and an INI reader
// that reads descriptors as the agent's system reader does.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/text.h"
#include "builder/build_command.h"
#include "builder/cli_error.h"
#include "builder/project.h"
#include "format/descriptors.h"
#include "format/std_file.h"
#include "tests/unit/test_util.h"

namespace rv::builder {

namespace fs = std::filesystem;

// A project folder: a stub, a source folder and a project file.
class ProjectFolder {
public:
    ProjectFolder() { WriteWholeFile(Path("stub.exe"), test::FakeStubImage(4096)); }

    std::string Path(const std::string& name) const { return dir_.Path(name); }

    void AddSource(const std::string& relative, const std::string& content, std::time_t mtime = 1700000000) {
        const fs::path p = Path("src/" + relative);
        fs::create_directories(p.parent_path());
        ASSERT_TRUE(WriteWholeFile(p.string(), content));
        utimbuf t{mtime, mtime};
        utime(p.c_str(), &t);
    }

    std::string WriteProject(const std::string& body, const std::string& name = "project.toml") const {
        const std::string path = Path(name);
        std::ofstream(path) << "stub = \"stub.exe\"\nsource = \"src\"\noutput = \"out/Setup.exe\"\n" << body;
        return path;
    }

    BuildSummary Build(const std::string& body, const std::string& output = "") const {
        BuildOptions o;
        o.outputOverride = output;
        o.threads = 3;
        o.now = 1700000000;
        return BuildPackage(LoadProject(WriteProject(body)), o);
    }

private:
    test::TempDir dir_;
};

// Runs `f` and returns the CliError it throws (code kExitOk when none).
template <typename F>
CliError Failure(F f) {
    try {
        f();
    } catch (const CliError& e) {
        return e;
    }
    return CliError(kExitOk, "");
}

inline std::time_t ModificationTime(const fs::path& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 ? st.st_mtime : 0;
}

inline std::string Contents(const std::string& path) {
    std::string s;
    ReadWholeFile(path, s);
    return s;
}

// Source files that cover the record splitting: an empty file, a nested one
// and files of more than one record, compressible and not.
inline void AddPayload(ProjectFolder& folder) {
    folder.AddSource("setup.exe", "the setup program", 1700000100);
    folder.AddSource("empty.dat", "");
    folder.AddSource("docs/readme.txt", std::string(3000000, 'r'), 1600000000);
    folder.AddSource("bin/random.bin", test::PatternBytes(2500000, 3));
}

// Reads INI text as the agent's system reader does: blanks round a value
// dropped, then one pair of enclosing quotes; only the first section of a
// name counts, so a repeated section is a fault of the writer.
class IniStore : public DescriptorStore {
public:
    explicit IniStore(const std::string& text) {
        std::istringstream in(text);
        std::string section;
        for (std::string line; std::getline(in, line);) {
            EXPECT_TRUE(!line.empty() && line.back() == '\r') << "line without CRLF: " << line;
            line = Trim(line);
            if (line.empty()) continue;
            if (line.front() == '[') {
                section = line.substr(1, line.find(']') - 1);
                EXPECT_TRUE(sections_.insert(section).second) << "section written twice: " << section;
                continue;
            }
            std::string value = Trim(TextAfter(line, "="));
            if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
                value = value.substr(1, value.size() - 2);
            values_.emplace(section + "/" + Trim(TextBefore(line, "=")), value);
        }
    }
    std::string Read(const char* section, const char* key, const std::string& fallback) override {
        const auto it = values_.find(std::string(section) + "/" + key);
        return it == values_.end() ? fallback : it->second;
    }
    bool Write(const char*, const char*, const std::string&) override { return false; }

private:
    std::set<std::string> sections_;
    std::map<std::string, std::string> values_;
};

struct Expected {
    IniKey key;
    std::string value;
};

inline void ExpectValues(DescriptorStore& store, const std::vector<Expected>& expected) {
    for (const Expected& e : expected) EXPECT_EQ(ReadText(store, e.key), e.value) << e.key.section << "/" << e.key.key;
}

}  // namespace rv::builder
