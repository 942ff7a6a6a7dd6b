#include "package/temp_folder.h"

namespace rv {

std::string PrivateFolderName(const std::string& parent, const std::string& prefix, const std::string& randomPart) {
    if (parent.empty() || randomPart.empty()) return std::string();
    std::string folder = parent;
    if (folder.back() != '\\') folder += '\\';
    return folder + prefix + randomPart;
}

}  // namespace rv
