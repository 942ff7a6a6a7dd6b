#include <gtest/gtest.h>

#include <winsock2.h>

#include <atomic>
#include <string>
#include <thread>

#include "base/bind_win.h"
#include "base/handle_win.h"
#include "base/numbers.h"
#include "env/file_util_win.h"
#include "net/http_win.h"
#include "tests/win/win_test_util.h"

namespace rv {
namespace {

// A loopback server that gives every connection the same answer: headers,
// then the body or only its first `sent` bytes before it closes.
class CannedServer {
public:
    CannedServer(const std::string& headers, const std::string& body, size_t sent)
        : answer_(headers + "\r\n" + body.substr(0, sent)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 8);
        thread_ = std::thread([this] { Serve(); });
    }
    ~CannedServer() {
        closesocket(listener_);
        thread_.join();
        WSACleanup();
    }
    CannedServer(const CannedServer&) = delete;
    CannedServer& operator=(const CannedServer&) = delete;
    std::string Url() const { return "http://127.0.0.1:" + IntText(port_) + "/f.bin"; }

private:
    void Serve() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string request;
            char buffer[1024];
            int got = 0;
            while (request.find("\r\n\r\n") == std::string::npos && (got = recv(client, buffer, sizeof buffer, 0)) > 0)
                request.append(buffer, static_cast<size_t>(got));
            send(client, answer_.data(), static_cast<int>(answer_.size()), 0);
            shutdown(client, SD_BOTH);
            closesocket(client);
        }
    }

    std::string answer_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
};

std::string Headers(size_t length) {
    return "HTTP/1.0 200 OK\r\nContent-Length: " + IntText(static_cast<long long>(length)) +
           "\r\nLast-Modified: Tue, 14 Nov 2023 22:13:20 GMT\r\nContent-Type: application/octet-stream\r\n";
}

std::string Body(size_t size) {
    std::string body(size, '\0');
    for (size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 23);
    return body;
}

class Counting : public DownloadProgress {
public:
    int range = 0, steps = 0;
    std::string last;
    void Start(int r, int, const std::string& text) override {
        range = r;
        last = text;
    }
    void Step(const std::string& text) override {
        ++steps;
        last = text;
    }
};

const bool kNoAbort = false;

TEST(HttpDownload, IntoMemoryWithProgress) {
    const std::string body = Body(30000);
    CannedServer server(Headers(body.size()), body, body.size());
    Counting progress;
    const DownloadResult r = HttpDownload(nullptr, server.Url(), "", &progress, kNoAbort);
    EXPECT_EQ(r.error, "");
    EXPECT_EQ(r.data, body);
    EXPECT_EQ(progress.range, 11);
    EXPECT_EQ(progress.steps, 10);
    EXPECT_EQ(progress.last.substr(0, 18), "30000/30000 Bytes ");
    EXPECT_EQ(HttpFileSize(server.Url()), 30000);
}

TEST(HttpDownload, ShortTransferIsAnErrorAndKeepsOnlyThePartialFile) {
    const std::string body = Body(30000);
    CannedServer server(Headers(body.size()), body, 12000);
    const DownloadResult memory = HttpDownload(nullptr, server.Url(), "", nullptr, kNoAbort);
    EXPECT_EQ(memory.error.substr(0, 19), "Download Incomplete");
    EXPECT_EQ(memory.data, "") << "no part of a short body is handed on";

    test::ScratchDir dir;
    const std::string local = dir.File("f.bin");
    const DownloadResult file = HttpDownload(nullptr, server.Url(), local, nullptr, kNoAbort);
    EXPECT_EQ(file.error.substr(0, 19), "Download Incomplete");
    EXPECT_FALSE(FileExists(local));
    WIN32_FIND_DATAA data;
    FindHandle find(FindFirstFileA((local + ".*").c_str(), &data));
    ASSERT_TRUE(find) << "the partial file stays for a later resume";
    EXPECT_EQ(data.nFileSizeLow, 12000u);
}

TEST(HttpDownload, TinyFilesAreRead) {
    CannedServer server(Headers(5), "abcde", 5);
    test::ScratchDir dir;
    const std::string local = dir.File("tiny.txt");
    EXPECT_EQ(HttpDownload(nullptr, server.Url(), local, nullptr, kNoAbort).error, "");
    EXPECT_EQ(ReadFilePart(local, 0, 0), "abcde");
}

TEST(HttpDownload, AbortStopsAfterTheFirstRead) {
    const std::string body = Body(30000);
    CannedServer server(Headers(body.size()), body, body.size());
    const bool abort = true;
    const DownloadResult r = HttpDownload(nullptr, server.Url(), "", nullptr, abort);
    EXPECT_EQ(r.error, "Download Aborted");
    EXPECT_EQ(r.data, "");
}

TEST(HttpDownload, NoLengthAndNoServer) {
    {
        CannedServer server("HTTP/1.0 200 OK\r\nContent-Type: text/plain\r\n", "body without a length", 21);
        EXPECT_EQ(HttpDownload(nullptr, server.Url(), "", nullptr, kNoAbort).error,
                  server.Url() + "<P><P>File Not Found !");
        EXPECT_EQ(HttpFileSize(server.Url()), -1);
    }
    // Port 9 on loopback: nothing listens there.
    const std::string nowhere = "http://127.0.0.1:9/f.bin";
    EXPECT_EQ(HttpDownload(nullptr, nowhere, "", nullptr, kNoAbort).error,
              "Unable to open Internet Connection <P>URL: " + nowhere);
    EXPECT_EQ(HttpFileSize(nowhere), -1);
}

// The run gives WinINet back when it needs it no more (it keeps threads and
// caches); a later call loads it again.
TEST(HttpDownload, TheLibraryIsReleasedAndLoadedAgain) {
    const std::string body = Body(100);
    {
        CannedServer server(Headers(body.size()), body, body.size());
        EXPECT_EQ(HttpDownload(nullptr, server.Url(), "", nullptr, kNoAbort).data, body);
    }
    EXPECT_NE(GetModuleHandleA("wininet.dll"), nullptr);
    ReleaseInternetLibrary();
    EXPECT_EQ(GetModuleHandleA("wininet.dll"), nullptr);
    CannedServer again(Headers(body.size()), body, body.size());
    EXPECT_EQ(HttpDownload(nullptr, again.Url(), "", nullptr, kNoAbort).data, body);
    ReleaseInternetLibrary();
}

TEST(InternetHandles, CloseWhatTheyOwn) {
    // Its own load reference, given back after the handles are closed.
    const Library wininet(LoadLibraryA("wininet.dll"));
    auto* open = ProcOf<decltype(::InternetOpenA)>(wininet.get(), "InternetOpenA");
    ASSERT_NE(open, nullptr);
    InternetHandle session(open("test", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    ASSERT_TRUE(session);
    InternetHandle moved = std::move(session);
    EXPECT_FALSE(session);
    EXPECT_TRUE(moved);
    moved.reset();
    EXPECT_FALSE(moved);
}

}  // namespace
}  // namespace rv
