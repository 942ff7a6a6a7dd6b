#include "builder/parallel_compress.h"

#include "format/records.h"

namespace rv::builder {

ParallelCompressor::ParallelCompressor(int level, unsigned threads, size_t maxInFlight)
    : level_(level), maxInFlight_(maxInFlight < 1 ? 1 : maxInFlight) {
    for (unsigned i = 0; i < (threads < 1 ? 1 : threads); ++i) workers_.emplace_back([this] { Work(); });
}

ParallelCompressor::~ParallelCompressor() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
}

void ParallelCompressor::Push(std::string header, std::string content) {
    const int level = level_;
    std::packaged_task<CompressedRecord()> task([level, h = std::move(header), c = std::move(content)]() mutable {
        CompressedRecord r;
        r.framed = EncodeRecord(h, c, level);
        r.header = std::move(h);
        r.content = std::move(c);
        return r;
    });
    results_.push_back(task.get_future());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back(std::move(task));
    }
    wake_.notify_one();
}

CompressedRecord ParallelCompressor::Pop() {
    CompressedRecord r = results_.front().get();
    results_.pop_front();
    return r;
}

void ParallelCompressor::Work() {
    for (;;) {
        std::packaged_task<CompressedRecord()> task;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            // Queued work is dropped on shutdown: only an aborted build stops
            // with records still waiting.
            if (stopping_) return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

unsigned DefaultThreadCount() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : n;
}

}  // namespace rv::builder
