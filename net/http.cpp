#include "net/http.h"

#include <climits>
#include <cmath>

#include "base/numbers.h"
#include "base/text.h"

namespace rv {

namespace {
constexpr uint32_t kMaxChunk = 10240;

// Decimal digits from pos; the number, or -1 when there are none.
int64_t DigitsAt(const std::string& text, size_t& pos) {
    const size_t start = pos;
    int64_t value = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && value < (INT64_MAX / 10 - 9))
        value = value * 10 + (text[pos++] - '0');
    return pos == start ? -1 : value;
}

bool Expect(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}
}  // namespace

std::string PartialFileName(const std::string& localFile, int64_t size, uint32_t dosDate) {
    // Summed with wrap-around: a size near the 64-bit limit must still name
    // a file, never overflow.
    return localFile + "." + IntText(static_cast<int64_t>(static_cast<uint64_t>(size) + dosDate));
}

uint32_t ReadChunkSize(int64_t size) {
    if (size <= 0) return 0;
    if (size < 10) return static_cast<uint32_t>(size);
    return static_cast<uint32_t>(Min(size / 10, kMaxChunk));
}

namespace {
// A progress bar counts in int: steps beyond it (sizes near the 64-bit
// limit) stop at its end instead of overflowing.
int ProgressSteps(long long steps) { return static_cast<int>(EnsureRange(steps, 0, INT_MAX)); }
}  // namespace

int ProgressRange(int64_t size, uint32_t chunk) {
    if (chunk == 0) return 1;
    return ProgressSteps(std::llround(static_cast<double>(size) / chunk) + 1);
}

int ProgressPosition(int64_t received, uint32_t chunk) {
    if (chunk == 0) return 0;
    return ProgressSteps(std::llround(static_cast<double>(received) / chunk));
}

bool WithinStatedLength(int64_t received, uint32_t got, int64_t size) {
    return received >= 0 && received <= size && static_cast<int64_t>(got) <= size - received;
}

bool WorthResuming(int64_t partialSize, int64_t size) { return partialSize > 0 && partialSize < size; }

std::string RangeHeader(int64_t offset) { return "Range: bytes=" + IntText(offset) + "-\r\n"; }

bool ParseContentRange(const std::string& text, ContentRange& range) {
    const std::string unit = "bytes ";
    if (!StartsWith(unit, text, true)) return false;
    size_t pos = unit.size();
    ContentRange r;
    r.first = DigitsAt(text, pos);
    if (r.first < 0 || !Expect(text, pos, '-')) return false;
    r.last = DigitsAt(text, pos);
    if (r.last < r.first || !Expect(text, pos, '/')) return false;
    r.total = DigitsAt(text, pos);
    if (r.total <= r.last || pos != text.size()) return false;
    range = r;
    return true;
}

RangeAnswer JudgeRangeAnswer(int status, const std::string& contentRange, int64_t offset, int64_t size) {
    if (status == 200) return RangeAnswer::Restart;
    ContentRange r;
    if (status == 206 && ParseContentRange(contentRange, r) && r.first == offset && r.total == size &&
        r.last == size - 1)
        return RangeAnswer::Append;
    return RangeAnswer::Retry;
}

void TransferRate::Reset(uint32_t nowMs) {
    for (int i = 0; i < kWindow; ++i) {
        ticks_[i] = nowMs;
        sizes_[i] = 0;
    }
}

void TransferRate::Add(uint32_t nowMs, uint32_t bytes) {
    for (int i = 0; i + 1 < kWindow; ++i) {
        ticks_[i] = ticks_[i + 1];
        sizes_[i] = sizes_[i + 1];
    }
    ticks_[kWindow - 1] = nowMs;
    sizes_[kWindow - 1] = bytes;
}

std::string TransferRate::Text(int64_t received, int64_t size) const {
    std::string text = IntText(received) + "/" + IntText(size) + " Bytes ";
    // Tick counts wrap after 49 days; the unsigned difference stays right.
    const uint32_t spanMs = ticks_[kWindow - 1] - ticks_[0];
    if (spanMs == 0) return text;
    double bytes = 0;
    for (uint32_t s : sizes_) bytes += s;
    const double rate = bytes / (spanMs / 1000.0) / 1024.0;
    return text + FixedText(rate, 2) + " KB/Sec";
}

namespace http_error {
std::string Init() { return "Unable to initialize \"WinINet.dll\""; }
std::string Open(const std::string& url) { return "Unable to open Internet Connection <P>URL: " + url; }
std::string NotFound(const std::string& url) { return url + "<P><P>File Not Found !"; }
std::string Aborted() { return "Download Aborted"; }
std::string Incomplete(const std::string& url, int64_t received, int64_t size) {
    return "Download Incomplete (" + IntText(received) + "/" + IntText(size) + " Bytes)<P>URL: " + url;
}
}  // namespace http_error

std::string TransferError(bool aborted, int64_t received, int64_t size, const std::string& url) {
    if (aborted) return http_error::Aborted();
    if (received != size) return http_error::Incomplete(url, received, size);
    return std::string();
}

}  // namespace rv
