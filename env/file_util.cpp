#include "env/file_util.h"

#include "base/command_line.h"
#include "base/text.h"

namespace rv {

std::string DriveRoot(const std::string& path, bool force) {
    if (path.empty()) return std::string();
    if (!force && path.size() >= 3) return path;
    return std::string(1, UpperAscii(path[0])) + ":\\";
}

uint64_t WriteChunkSize(uint64_t total) {
    const uint64_t tenth = total / 10;
    if (tenth <= 1024) return total < 1024 ? total : 1024;
    return tenth < 0x100000 ? tenth : 0x100000;
}

namespace {
std::string BatchPath(const std::string& path) { return QuotedPath(ReplaceAll(path, "%", "%%", false)); }
}  // namespace

std::string SelfDeleteBatchText(const std::string& batch, const std::string& exe, const std::string& folder,
                                bool removeFolder) {
    std::string text = ":START\r\n";
    text += "DEL " + BatchPath(exe) + "\r\n";
    text += "IF exist " + BatchPath(exe) + " GOTO START\r\n";
    if (removeFolder) text += "RD " + BatchPath(folder) + "\r\n";
    text += "DEL " + BatchPath(batch) + "\r\n";
    return text;
}

std::string SelfDeleteArguments(const std::string& batch) { return "/d /c \"" + QuotedPath(batch) + "\""; }

namespace {
// Positions of the markers in order, each after the previous one.
bool InOrder(const std::string& body, std::initializer_list<const char*> markers) {
    size_t from = 1;
    for (const char* marker : markers) {
        const size_t at = PosFromText(marker, body, static_cast<long long>(from));
        if (at == 0) return false;
        from = at + 1;
    }
    return true;
}
}  // namespace

bool IsErrorPage(const std::string& body) {
    return InOrder(body, {"<TITLE", "404", "</TITLE>"}) || InOrder(body, {"<HTML>", "<HEAD>", "<TITLE>", "</TITLE>"});
}

std::string ErrorPageMessage(const std::string& body, const std::string& url, bool iisHint,
                             const std::string& fallback) {
    if (!IsErrorPage(body)) return fallback;
    std::string text = "<B>404 File Not Found...</B><P><P>URL:  " + url +
                       ".<P><P>Please make sure the file is available and access is allowed to this file.";
    if (iisHint && PosText("IIS", body) != 0)
        text += "<P><P>If you are using an IIS webserver you must define appropriate MIME-Types.";
    return text;
}

}  // namespace rv
