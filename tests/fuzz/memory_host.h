// An extraction host over memory: volumes are strings, written files land in
// a map. It checks what the stub must never do whatever the package holds:
// write outside the destination, or take a record's body whole instead of in
// pieces. The fuzz target and the corruption sweep both extract through it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "builder/sha256.h"
#include "format/package_reader.h"
#include "format/records.h"
#include "format/volumes.h"
#include "package/extraction.h"

namespace rv::fuzz {

constexpr const char* kDestination = "D";

// True when a path the engine writes lies inside the destination: the
// destination, a backslash, and components that are neither empty, "." nor
// "..", none ending in a dot or a blank, with no drive or stream colon
// anywhere.
inline bool InsideDestination(const std::string& path) {
    const std::string prefix = std::string(kDestination) + "\\";
    if (path.compare(0, prefix.size(), prefix) != 0 || path.find(':') != std::string::npos) return false;
    size_t start = prefix.size();
    for (;;) {
        const size_t end = path.find_first_of("\\/", start);
        const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (part.empty() || part == "." || part == ".." || part.back() == '.' || part.back() == ' ') return false;
        if (end == std::string::npos) return true;
        start = end + 1;
    }
}

class MemoryHost final : public ExtractionHost {
public:
    std::map<std::string, std::string> volumes;  // path -> bytes
    std::map<std::string, std::string> written;  // path -> content
    std::string violation;                       // the first broken rule, empty while none
    int diskPrompts = 0;

    bool FileExists(const std::string& path) override { return volumes.count(path) || written.count(path); }
    uint64_t FileSize(const std::string& path) override {
        const auto it = written.find(path);
        return it == written.end() ? 0 : it->second.size();
    }
    std::unique_ptr<ByteSource> OpenVolume(const std::string& path) override {
        return std::make_unique<MemorySource>(volumes[path]);
    }
    bool DigestVolume(ByteSource& volume, VolumeDigest& digest) override {
        builder::PortableSha256 sha;
        return DigestOf(volume, sha, digest, [] {});
    }
    bool CreateFolderTree(const std::string&) override { return true; }
    std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) override {
        Check(InsideDestination(path), "a file written outside the destination: " + path);
        if (!append) written[path].clear();
        return std::make_unique<File>(*this, written[path]);
    }
    bool WriteWholeFile(const std::string& path, const std::string& data, uint32_t) override {
        Check(InsideDestination(path), "a file written outside the destination: " + path);
        written[path] = data;
        return true;
    }
    uint32_t FileDate(const std::string&) override { return 0; }
    int64_t NowSeconds1899() override { return 3974000000; }
    void Progress(int, uint32_t) override {}
    void Pump() override {}
    void Wait(unsigned) override {}
    void EnableAutoPlayCancel() override {}
    void EjectMedium(const std::string&) override {}
    // A missing volume stays missing: the user cancels the prompt.
    bool AskForDisk(int) override {
        ++diskPrompts;
        return false;
    }
    void ShowError(const std::string&) override {}
    std::string LastErrorText() override { return std::string(); }
    int64_t FreeBytes(const std::string&) override { return 0; }
    void Trace(const std::string&) override {}
    uint64_t TickMs() override { return 0; }

private:
    void Check(bool ok, const std::string& what) {
        if (!ok && violation.empty()) violation = what;
    }

    class File final : public OutputFile {
    public:
        File(MemoryHost& host, std::string& content) : host_(host), content_(content) {}
        bool Write(const uint8_t* data, size_t n) override {
            host_.Check(n <= kRecordPiece, "a record's content handed over whole, not in pieces");
            content_.append(reinterpret_cast<const char*>(data), n);
            return true;
        }
        bool Close(uint32_t) override { return true; }

    private:
        MemoryHost& host_;
        std::string& content_;
    };
};

// The names the stub gives the volumes of a package called Setup.exe.
inline std::string VolumePath(int number) {
    return number == 1 ? std::string("Setup.exe") : VolumeName(VolumeBaseName("Setup.exe"), number);
}

}  // namespace rv::fuzz
