// Compresses records on every core while keeping them in submission order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace rv::builder {

struct CompressedRecord {
    std::string header;
    std::string content;  // kept: a record that does not fit a volume is split again
    std::string framed;   // EncodeRecord(header, content, level)
};

// A fixed set of worker threads that frame records. Pop() hands them back in
// the order they were pushed. The caller keeps memory bounded by popping
// whenever Full(): at most `maxInFlight` records are held at once, however
// large the input.
class ParallelCompressor {
public:
    ParallelCompressor(int level, unsigned threads, size_t maxInFlight);
    ~ParallelCompressor();
    ParallelCompressor(const ParallelCompressor&) = delete;
    ParallelCompressor& operator=(const ParallelCompressor&) = delete;

    // True when Pop() must be called before the next Push().
    bool Full() const { return results_.size() >= maxInFlight_; }
    bool Empty() const { return results_.empty(); }
    void Push(std::string header, std::string content);
    CompressedRecord Pop();

private:
    void Work();

    const int level_;
    const size_t maxInFlight_;
    std::deque<std::future<CompressedRecord>> results_;  // only the caller's thread touches it

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::packaged_task<CompressedRecord()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> workers_;
};

// Threads to use when the caller gives none: every core the system reports.
unsigned DefaultThreadCount();

}  // namespace rv::builder
