#include "package/temp_folder.h"

#include "base/numbers.h"

namespace rv {

std::string SetupFolderName(const std::string& tempPath, uint32_t stubFileDate) {
    std::string folder = tempPath;
    if (folder.empty() || folder.back() != '\\') folder += '\\';
    return folder + "SETUP_" + IntText(stubFileDate & 0xFFFF);
}

}  // namespace rv
