// The HTTP download's decisions: partial-file naming, read sizes, the
// progress range, the resume answer, the transfer-rate text and the error
// texts. The WinINet calls live in http_win.cpp.
#pragma once

#include <cstdint>
#include <string>

namespace rv {

// The partial file of a download names the server file's size and date, so
// a changed file on the server never continues an older partial file.
std::string PartialFileName(const std::string& localFile, int64_t size, uint32_t dosDate);

// Bytes per read: a tenth of the file, at most 10240; a file under 10
// bytes is read whole (a tenth of it would be 0 and nothing could be read).
uint32_t ReadChunkSize(int64_t size);
// The progress bar's range and start position for a transfer.
int ProgressRange(int64_t size, uint32_t chunk);
int ProgressPosition(int64_t received, uint32_t chunk);

// True while a read of `got` more bytes keeps the body within the length
// the server stated. A chunked answer may send a length too and then never
// end; nothing beyond that length is taken, in memory or on disk.
bool WithinStatedLength(int64_t received, uint32_t got, int64_t size);

// A partial file worth a range request: something received, not yet all.
bool WorthResuming(int64_t partialSize, int64_t size);
// The range request header for the rest of a file.
std::string RangeHeader(int64_t offset);

struct ContentRange {
    int64_t first = -1, last = -1, total = -1;
};
// "bytes 100-199/200"; false for anything else (including "*" totals).
bool ParseContentRange(const std::string& text, ContentRange& range);

enum class RangeAnswer {
    Append,   // 206 with the asked offset and the same total: continue the file
    Restart,  // 200: the whole file follows, the partial file starts afresh
    Retry,    // anything else: ask again for the whole file
};
RangeAnswer JudgeRangeAnswer(int status, const std::string& contentRange, int64_t offset, int64_t size);

// The rate over the last five reads, as the progress text shows it.
class TransferRate {
public:
    void Reset(uint32_t nowMs);
    void Add(uint32_t nowMs, uint32_t bytes);
    // "received/size Bytes ", then "12.34 KB/Sec" once the window spans time.
    std::string Text(int64_t received, int64_t size) const;

private:
    static constexpr int kWindow = 5;
    uint32_t ticks_[kWindow] = {};
    uint32_t sizes_[kWindow] = {};
};

namespace http_error {
std::string Init();
std::string Open(const std::string& url);
std::string NotFound(const std::string& url);
std::string Aborted();
std::string Incomplete(const std::string& url, int64_t received, int64_t size);
}  // namespace http_error

// The error text of a finished transfer loop: abort first, then a transfer
// that stopped short of its size (a dropped connection) is an error too.
std::string TransferError(bool aborted, int64_t received, int64_t size, const std::string& url);

}  // namespace rv
