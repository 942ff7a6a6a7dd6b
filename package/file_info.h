// TGFileInfo: the stub's view of a package file. It reads the trailer and
// the leading blocks once, closes the file, and answers the settings, the
// language strings and the size figures that every other unit asks for.
#pragma once

#include <string>

#include "format/package_reader.h"

namespace rv {

// The language section a run speaks: chosen by the first reader that is
// asked, from its own language block and the system's language, and kept,
// so that every volume and every dialog of a run speaks the same language.
// The entry owns the one of the run; its readers share it.
class LanguageChoice {
public:
    LanguageChoice() = default;
    LanguageChoice(const LanguageChoice&) = delete;
    LanguageChoice& operator=(const LanguageChoice&) = delete;

    const std::string& Section(const std::string& languageBlock);

private:
    bool made_ = false;
    std::string section_;
};

class TGFileInfo {
public:
    // A reader of its own, with a choice of its own (a token check asks no
    // language string).
    explicit TGFileInfo(const std::string& path);
    // A reader of the run, speaking the run's language.
    TGFileInfo(const std::string& path, LanguageChoice& language);
    TGFileInfo(const TGFileInfo&) = delete;
    TGFileInfo& operator=(const TGFileInfo&) = delete;

    // For further readers of the same run.
    LanguageChoice& language() const { return *language_; }

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
    // section is chosen on the first lookup of any reader sharing the choice.
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
    LanguageChoice ownLanguage_;
    LanguageChoice* language_;
};

}  // namespace rv
