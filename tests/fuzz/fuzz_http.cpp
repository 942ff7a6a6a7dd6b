// The portable half of the HTTP download and the internet setup: the range
// answer, sizes, chunking and progress, partial-file names, the rate text,
// error pages and the token check, the download question, the agent copy.
// Input: numbers (status, offset, size, date, ticks), then texts.
#include <cstddef>
#include <cstdint>
#include <string>

#include "env/file_util.h"
#include "net/http.h"
#include "net/internet_setup.h"
#include "package/launch.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace rv;
    using namespace rv::fuzz;
    const FuzzInput in(data, size);
    const int64_t offset = in.Signed(0);
    const int64_t length = in.Signed(8);
    const std::string& text = in.Text(0);

    ContentRange range;
    if (ParseContentRange(text, range))
        Require(0 <= range.first && range.first <= range.last && range.last < range.total);
    const int status = static_cast<int>(in.Number(0, 2) % 600);
    if (JudgeRangeAnswer(status, text, offset, length) == RangeAnswer::Append) Require(offset >= 0);

    const uint32_t chunk = ReadChunkSize(length);
    Require(chunk <= 10240);
    ProgressRange(length, chunk);
    ProgressPosition(offset, chunk);
    WorthResuming(offset, length);
    RangeHeader(offset);
    PartialFileName(in.Text(1), length, static_cast<uint32_t>(in.Number(4, 4)));

    TransferRate rate;
    rate.Reset(static_cast<uint32_t>(in.Number(0, 4)));
    for (size_t i = 0; i < 8; ++i)
        rate.Add(static_cast<uint32_t>(in.Number(i, 4)), static_cast<uint32_t>(in.Number(i + 4, 4)));
    rate.Text(offset, length);
    TransferError(in.Number(15, 1) & 1, offset, length, in.Text(1));

    IsErrorPage(text);
    ErrorPageMessage(text, in.Text(1), in.Number(15, 1) & 2, "fallback");
    TokenError(in.Text(1), in.Text(2), text, in.Text(3));
    DownloadQuestion(in.Text(1), in.Text(2));
    MbText(static_cast<double>(length));
    const std::string agent = InternetAgentImage(text);
    Require(agent.size() <= text.size());
    return 0;
}
