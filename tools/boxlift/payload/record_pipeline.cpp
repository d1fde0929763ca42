#include "payload/record_pipeline.h"

#include <algorithm>
#include <optional>

#include "payload/piece_compressor.h"

namespace boxlift {

RecordPipeline::RecordPipeline(const PackOptions& options)
    : options_(options), capacity_(2 * std::size_t{std::max(options.jobs, 1u)}) {
    try {
        for (unsigned i = 0; i < std::max(options.jobs, 1u); ++i)
            workers_.emplace_back([this] { Work(); });
    } catch (...) {  // no thread to be had: end those started
        StopWorkers();
        throw;
    }
}

RecordPipeline::~RecordPipeline() { StopWorkers(); }

void RecordPipeline::StopWorkers() {
    {
        std::scoped_lock lock(mutex_);
        stopping_ = true;
    }
    waiting_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

bool RecordPipeline::Full() {
    std::scoped_lock lock(mutex_);
    return inFlight_.size() >= capacity_;
}

bool RecordPipeline::Empty() {
    std::scoped_lock lock(mutex_);
    return inFlight_.empty();
}

void RecordPipeline::Push(Bytes piece) {
    auto job = std::make_unique<Job>();
    job->piece = std::move(piece);
    {
        std::scoped_lock lock(mutex_);
        queue_.push_back(job.get());
        inFlight_.push_back(std::move(job));
    }
    waiting_.notify_one();
}

Bytes RecordPipeline::Pop() {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return inFlight_.front()->done; });
    std::unique_ptr<Job> job = std::move(inFlight_.front());
    inFlight_.pop_front();
    lock.unlock();
    if (job->error) std::rethrow_exception(job->error);
    return std::move(job->record);
}

void RecordPipeline::Work() {
    // The worker's own compressor, made for its first piece and freed as it
    // ends. (Not thread_local: under mingw's emulated TLS its storage can be
    // gone before its destructor runs.)
    std::optional<PieceCompressor> compressor;
    std::unique_lock lock(mutex_);
    for (;;) {
        waiting_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        Job* job = queue_.front();
        queue_.pop_front();
        lock.unlock();
        try {
            if (!compressor) compressor.emplace(options_.level);
            job->record = compressor->Record(job->piece);
        } catch (...) {
            job->error = std::current_exception();
        }
        lock.lock();
        job->done = true;
        done_.notify_all();
    }
}

}  // namespace boxlift
