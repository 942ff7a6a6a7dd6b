// TGFileInfo: the stub's view of a package file. It reads the trailer and
// the leading blocks once, closes the file, and answers the settings, the
// language strings and the size figures that every other unit asks for.
#pragma once

#include <string>

#include "format/package_reader.h"

namespace rv {

class TGFileInfo {
public:
    explicit TGFileInfo(const std::string& path);

    const std::string& path() const { return path_; }
    const PackageReader& package() const { return reader_; }
    const Trailer& trailer() const { return reader_.trailer(); }
    bool HasPackage() const { return reader_.HasPackage(); }
    bool Flag(uint8_t bit) const { return trailer().Flag(bit); }
    bool InternetSetup() const { return trailer().internetSetup != 0; }
    bool ConfirmDownload() const { return trailer().confirmDownload != 0; }
    bool WriteAgent() const { return trailer().writeAgent != 0; }
    bool IsAutoUpdateProgram() const { return trailer().isAgent != 0; }
    uint32_t FileCount() const { return trailer().recordCount; }

    // The value of key in the chosen language section, or the fallback. The
    // section is chosen once per process, on the first lookup of any reader.
    std::string LanguageString(const std::string& key, const std::string& fallback) const;
    // The same with the built-in English text as the fallback.
    std::string Text(const std::string& key) const;
    int Charset() const;
    int FontSize() const;
    std::string FontName() const;

    // Bytes the extracted files take on the drive of path (its first three
    // characters name the drive root).
    double RequiredSpace(const std::string& path) const;

    std::string UpdateItem(int index, bool unscramble = false) const { return reader_.UpdateItem(index, unscramble); }
    std::string InternetItem(int index, bool unscramble = false) const {
        return reader_.InternetItem(index, unscramble);
    }
    std::string DescriptorName() const { return reader_.DescriptorName(); }

    // Reads the whole file again and tests its stored checksum.
    bool ChecksumPasses() const;

private:
    const std::string& Section() const;

    std::string path_;
    PackageReader reader_;
};

}  // namespace rv
