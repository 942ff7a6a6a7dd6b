// Extraction over Win32: files, the disk prompt, error boxes, progress.
#pragma once

#include <string>

#include "base/system_win.h"
#include "package/extraction.h"
#include "package/status_display_win.h"
#include "ui/message_box_win.h"

namespace rv {

struct DiskPrompt {
    std::string text;     // holds "<DISK_NUM>"
    std::string caption;  // for the prompt and the error boxes
    std::string errorCaption;
    int charset = 0;
    std::string buttons;
};

class Win32ExtractionHost final : public ExtractionHost {
public:
    // `stop` is set when the user closes the window.
    Win32ExtractionHost(DiskPrompt prompt, StatusDisplay& display, BoxSettings& boxes, const bool& stop)
        : prompt_(std::move(prompt)), display_(display), boxes_(boxes), stop_(stop) {}

    bool FileExists(const std::string& path) override;
    uint64_t FileSize(const std::string& path) override;
    std::unique_ptr<ByteSource> OpenVolume(const std::string& path) override;
    bool DigestVolume(ByteSource& volume, VolumeDigest& digest) override;
    bool CreateFolderTree(const std::string& folder) override;
    std::unique_ptr<OutputFile> OpenOutput(const std::string& path, bool append) override;
    bool WriteWholeFile(const std::string& path, const std::string& data, uint32_t fileDate) override;
    uint32_t FileDate(const std::string& path) override;
    int64_t NowSeconds1899() override;
    void Progress(int kind, uint32_t count) override;
    void Pump() override;
    void Wait(unsigned ms) override;
    void EnableAutoPlayCancel() override;
    void EjectMedium(const std::string& path) override;
    bool AskForDisk(int volume) override;
    void ShowError(const std::string& markup) override;
    std::string LastErrorText() override;
    int64_t FreeBytes(const std::string& path) override;
    void Trace(const std::string& line) override;
    uint64_t TickMs() override;
    bool StopRequested() override { return stop_; }

private:
    DiskPrompt prompt_;
    StatusDisplay& display_;
    BoxSettings& boxes_;
    const bool& stop_;
};

}  // namespace rv
