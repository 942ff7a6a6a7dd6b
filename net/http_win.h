// HTTP over WinINet, loaded at run time: whether the machine is online, a
// file's size, and the download of a URL into a file (resumable) or into
// memory. Each call opens and closes its own session.
#pragma once

#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <string>

namespace rv {

bool InternetConnected();
// Unloads WinINet once the run needs it no more; a later call loads it
// again. No session or request may be open.
void ReleaseInternetLibrary();
// Content-Length of the URL, -1 when unknown or WinINet is missing.
int32_t HttpFileSize(const std::string& url);
// The server's Last-Modified as a packed DOS date and time, 0 without one.
uint32_t LastModifiedDosDate(HINTERNET request);

// Told the progress range and start position once, then each read; the
// text is the received count and the transfer rate.
class DownloadProgress {
public:
    virtual ~DownloadProgress() = default;
    virtual void Start(int range, int position, const std::string& text) = 0;
    virtual void Step(const std::string& text) = 0;
};

struct DownloadResult {
    std::string error;  // empty on success, in message box markup otherwise
    std::string data;   // the body, in memory mode and on success only
};

// With a local file, the body goes to a partial file named by the server
// file's size and date, which a later call continues with a range request;
// the local file appears only when the body is complete. With an empty
// name the body is kept in memory. `abort` is read between reads. The
// owner window, when given, is shown once the transfer starts.
DownloadResult HttpDownload(HWND owner, const std::string& url, const std::string& localFile,
                            DownloadProgress* progress, const bool& abort);

}  // namespace rv
