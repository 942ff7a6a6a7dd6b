#include "base/paths.h"

namespace rv {

std::string WithBackslash(const std::string& path, bool add, const LeadBytePredicate& isLeadByte) {
    std::string p = path;
    if (p.size() > 2 && p.back() == '\\' && !isLeadByte(static_cast<unsigned char>(p[p.size() - 2]))) p.pop_back();
    if (add) p += '\\';
    return p;
}

std::string WithoutBackslash(const std::string& path, const LeadBytePredicate& isLeadByte) {
    if (path == "\\") return std::string();
    if (path.size() >= 2 && path.back() == '\\' && !isLeadByte(static_cast<unsigned char>(path[path.size() - 2])))
        return path.substr(0, path.size() - 1);
    return path;
}

std::string FileNameOf(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? path : path.substr(at + 1);
}

std::string FolderOf(const std::string& path) {
    const size_t at = path.find_last_of("\\/:");
    return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

std::string NameWithoutExtensions(const std::string& path) {
    const std::string name = FileNameOf(path);
    return name.substr(0, name.find('.'));
}

}  // namespace rv
