#include "net/http_win.h"

#include <memory>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "base/window_win.h"
#include "env/file_util_win.h"
#include "env/trace_win.h"
#include "net/http.h"

namespace rv {

namespace {

constexpr const char* kLibrary = "wininet.dll";

// The library and its entry points, loaded on first use and held until
// ReleaseInternetLibrary; a missing library leaves the entry points null and
// every service reports failure.
class WinInet {
    // Declared first: the entry points below are bound from it as they are
    // made.
    Library module_{LoadLibraryA(kLibrary)};

public:
    decltype(::InternetGetConnectedState)* connected =
        Bind<decltype(::InternetGetConnectedState)>("InternetGetConnectedState");
    decltype(::InternetOpenA)* open = Bind<decltype(::InternetOpenA)>("InternetOpenA");
    decltype(::InternetOpenUrlA)* openUrl = Bind<decltype(::InternetOpenUrlA)>("InternetOpenUrlA");
    decltype(::HttpQueryInfoA)* query = Bind<decltype(::HttpQueryInfoA)>("HttpQueryInfoA");
    decltype(::InternetReadFile)* read = Bind<decltype(::InternetReadFile)>("InternetReadFile");

private:
    template <class Fn>
    Fn* Bind(const char* name) {
        return ProcOf<Fn>(module_.get(), name);
    }
};

std::unique_ptr<WinInet>& Loaded() {
    static std::unique_ptr<WinInet> api;
    return api;
}

const WinInet& Api() {
    if (!Loaded()) Loaded().reset(new WinInet());
    return *Loaded();
}

InternetHandle OpenSession(const char* agent) {
    if (!Api().open) return InternetHandle();
    return InternetHandle(Api().open(agent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
}

InternetHandle OpenUrl(HINTERNET session, const std::string& url, const std::string& headers, DWORD flags) {
    if (!Api().openUrl || !session) return InternetHandle();
    return InternetHandle(Api().openUrl(session, url.c_str(), headers.empty() ? nullptr : headers.c_str(),
                                        static_cast<DWORD>(headers.size()), flags, 0));
}

// Some proxies and servers answer the first request of a session slowly
// or not at all; one request that is dropped at once wakes them up.
void WarmUp(const std::string& url) {
    InternetHandle session = OpenSession("HTTP_Connect_2");
    InternetHandle request = OpenUrl(session.get(), url, "", 0);
}

int64_t QueryNumber(HINTERNET request, DWORD info) {
    int32_t value = -1;
    DWORD length = sizeof value;
    if (!Api().query || !Api().query(request, info | HTTP_QUERY_FLAG_NUMBER, &value, &length, nullptr)) return -1;
    return value;
}

std::string QueryText(HINTERNET request, DWORD info) {
    char text[256] = {};
    DWORD length = sizeof text - 1;
    if (!Api().query || !Api().query(request, info, text, &length, nullptr)) return std::string();
    return std::string(text, length);
}

// An open local file that a transfer writes to.
class BodyFile {
public:
    BodyFile(const std::string& name, bool append)
        : file_(CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, append ? OPEN_ALWAYS : CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr)) {
        if (append && file_) SetFilePointer(file_.get(), 0, nullptr, FILE_END);
    }
    bool Write(const char* data, DWORD size) {
        DWORD written = 0;
        return file_ && WriteFile(file_.get(), data, size, &written, nullptr) && written == size;
    }

private:
    KernelHandle file_;
};

// Reads the body until it ends, a read fails, the sink refuses or abort is
// set; returns the received count (starting from `received`).
template <class Sink>
int64_t ReadBody(HINTERNET body, int64_t received, int64_t size, DownloadProgress* progress, const bool& abort,
                 Sink&& sink) {
    const uint32_t chunk = ReadChunkSize(size);
    TransferRate rate;
    rate.Reset(GetTickCount());
    if (progress)
        progress->Start(ProgressRange(size, chunk), ProgressPosition(received, chunk), rate.Text(received, size));
    std::string buffer(chunk, '\0');
    DWORD got = 0;
    do {
        PumpMessages(2);
        got = 0;
        if (!Api().read || !Api().read(body, &buffer[0], chunk, &got)) got = 0;
        if (got > 0 && (!WithinStatedLength(received, got, size) || !sink(buffer.data(), got))) break;
        received += got;
        rate.Add(GetTickCount(), got);
        if (got > 0 && progress) progress->Step(rate.Text(received, size));
    } while (got > 0 && !abort);
    return received;
}

// Asks for the rest of a partial file; the request when the server sent
// exactly that rest of the same file.
InternetHandle RequestRest(HINTERNET session, const std::string& url, int64_t offset, int64_t size) {
    // Never from the cache: a cached copy would not be the asked range.
    InternetHandle ranged =
        OpenUrl(session, url, RangeHeader(offset), INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE);
    if (!ranged) return ranged;
    const int status = static_cast<int>(QueryNumber(ranged.get(), HTTP_QUERY_STATUS_CODE));
    const std::string range = QueryText(ranged.get(), HTTP_QUERY_CONTENT_RANGE);
    StdOutLine("HTTP_DownloadFile_Incremental Resume=" + IntText(offset) + " Status=" + IntText(status) +
               " Content-Range=" + range);
    if (JudgeRangeAnswer(status, range, offset, size) != RangeAnswer::Append) ranged.reset();
    return ranged;
}

// The file mode: continues the partial file of this server file when the
// server sends its rest, else writes it afresh and removes the partial
// files of older server files. The local file appears when it is whole.
std::string DownloadToFile(HINTERNET session, HINTERNET request, const std::string& url, const std::string& localFile,
                           int64_t size, DownloadProgress* progress, const bool& abort) {
    const std::string partial = PartialFileName(localFile, size, LastModifiedDosDate(request));
    const bool resumable = FileExists(partial);
    if (!resumable) DeleteFiles(localFile + ".*", true);
    int64_t received = resumable ? static_cast<int64_t>(FileSizeOf(partial)) : 0;
    InternetHandle rest;
    if (WorthResuming(received, size)) rest = RequestRest(session, url, received, size);
    // Without the rest, the first request's whole body is still unread.
    if (!rest) received = 0;
    {
        BodyFile file(partial, static_cast<bool>(rest));
        received = ReadBody(rest ? rest.get() : request, received, size, progress, abort,
                            [&file](const char* data, DWORD got) { return file.Write(data, got); });
    }
    if (static_cast<int64_t>(FileSizeOf(partial)) == size) {
        DeleteFileA(localFile.c_str());
        MoveFileA(partial.c_str(), localFile.c_str());
    }
    return TransferError(abort, received, size, url);
}

std::string DownloadToMemory(HINTERNET request, const std::string& url, int64_t size, DownloadProgress* progress,
                             const bool& abort, std::string& data) {
    const int64_t received = ReadBody(request, 0, size, progress, abort, [&data](const char* bytes, DWORD got) {
        data.append(bytes, got);
        return true;
    });
    const std::string error = TransferError(abort, received, size, url);
    if (!error.empty()) data.clear();
    return error;
}

std::string Download(HWND owner, const std::string& url, const std::string& localFile, DownloadProgress* progress,
                     const bool& abort, std::string& data) {
    WarmUp(url);
    InternetHandle session = OpenSession("HTTP_Connect_3");
    if (!session) return http_error::Init();
    const bool toFile = !localFile.empty();
    InternetHandle request =
        OpenUrl(session.get(), url, "", toFile ? INTERNET_FLAG_RESYNCHRONIZE : INTERNET_FLAG_RELOAD);
    if (!request) return http_error::Open(url);
    const int64_t size = QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH);
    StdOutLine("HTTP_DownloadFile_Incremental FileSize=" + IntText(size) + "  " + url);
    if (size <= 0) return http_error::NotFound(url);
    if (owner) ShowWindow(owner, SW_SHOW);
    if (toFile) return DownloadToFile(session.get(), request.get(), url, localFile, size, progress, abort);
    return DownloadToMemory(request.get(), url, size, progress, abort, data);
}

}  // namespace

void ReleaseInternetLibrary() { Loaded().reset(); }

bool InternetConnected() {
    DWORD flags = 0;
    return Api().connected && Api().connected(&flags, 0);
}

int32_t HttpFileSize(const std::string& url) {
    WarmUp(url);
    InternetHandle session = OpenSession("HTTP_Connect_2");
    if (!session) return -1;
    InternetHandle request = OpenUrl(session.get(), url, "", 0);
    if (!request) return -1;
    const auto size = static_cast<int32_t>(QueryNumber(request.get(), HTTP_QUERY_CONTENT_LENGTH));
    StdOutLine("HTTP_GetFileSize=" + IntText(size) + " " + url);
    return size;
}

uint32_t LastModifiedDosDate(HINTERNET request) {
    SYSTEMTIME time{};
    DWORD length = sizeof time;
    if (!Api().query ||
        !Api().query(request, HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &time, &length, nullptr))
        return 0;
    FILETIME file;
    WORD date = 0, clock = 0;
    if (!SystemTimeToFileTime(&time, &file) || !FileTimeToDosDateTime(&file, &date, &clock)) return 0;
    return (static_cast<uint32_t>(date) << 16) | clock;
}

DownloadResult HttpDownload(HWND owner, const std::string& url, const std::string& localFile,
                            DownloadProgress* progress, const bool& abort) {
    WaitPumping(100, 0);
    DownloadResult result;
    result.error = Download(owner, url, localFile, progress, abort, result.data);
    if (!result.error.empty()) TraceLog(" HTTP_DownloadFile_Incremental: " + result.error);
    return result;
}

}  // namespace rv
