#include <windows.h>

#include "format/language.h"
#include "package/file_info.h"
#include "package/file_source_win.h"
#include "ui/language_win.h"

namespace rv {

namespace {

PackageReader ReadPackageAt(const std::string& path) {
    Win32FileSource src(path);
    return PackageReader(src);
}

}  // namespace

const std::string& LanguageChoice::Section(const std::string& languageBlock) {
    if (!made_) {
        section_ = ChooseLanguageSection(languageBlock, SystemLanguageName());
        made_ = true;
    }
    return section_;
}

TGFileInfo::TGFileInfo(const std::string& path) : TGFileInfo(path, ownLanguage_) {}

TGFileInfo::TGFileInfo(const std::string& path, LanguageChoice& language)
    : path_(path), reader_(ReadPackageAt(path)), language_(&language) {}

const std::string& TGFileInfo::Section() const { return language_->Section(reader_.languageBlock()); }

std::string TGFileInfo::LanguageString(const std::string& key, const std::string& fallback) const {
    return SectionValue(Section(), key, fallback);
}

std::string TGFileInfo::Text(const std::string& key) const { return SectionText(Section(), key); }
int TGFileInfo::Charset() const { return SectionCharset(Section()); }
int TGFileInfo::FontSize() const { return SectionFontSize(Section()); }
std::string TGFileInfo::FontName() const { return SectionFontName(Section()); }

double TGFileInfo::RequiredSpace(const std::string& path) const {
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, totalClusters = 0;
    const std::string root = path.substr(0, 3);
    const uint64_t cluster =
        GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &totalClusters)
            ? static_cast<uint64_t>(sectorsPerCluster) * bytesPerSector
            : 0;
    return reader_.RequiredSpace(cluster);
}

bool TGFileInfo::ChecksumPasses() const {
    Win32FileSource src(path_);
    return VerifyPackageChecksum(src);
}

}  // namespace rv
