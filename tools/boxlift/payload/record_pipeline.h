// Pieces turned into records on worker threads, handed back in the order
// they went in. At most two pieces per worker are in flight, so memory
// stays bounded whatever the package's size.
#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "base/bytes.h"
#include "payload/pack_options.h"

namespace boxlift {

class RecordPipeline {
public:
    explicit RecordPipeline(const PackOptions& options);
    // Stops the workers once their current piece is done, and joins them.
    ~RecordPipeline();
    RecordPipeline(const RecordPipeline&) = delete;
    RecordPipeline& operator=(const RecordPipeline&) = delete;

    bool Full();
    bool Empty();
    void Push(Bytes piece);
    // The oldest piece's record, once made. Rethrows the error of the
    // worker that failed on it.
    Bytes Pop();

private:
    struct Job {
        Bytes piece;
        Bytes record;
        bool done = false;
        std::exception_ptr error;
    };
    void Work();
    void StopWorkers();

    PackOptions options_;
    std::size_t capacity_;
    std::mutex mutex_;
    // No stop_token or condition_variable_any: with mingw's libstdc++ 12
    // they wait on atomics whose fallback can lose a wake-up, and the
    // destructor then hangs joining a worker.
    bool stopping_ = false;
    std::condition_variable waiting_;            // a piece waits, or stopping_
    std::condition_variable done_;               // a record is made
    std::deque<std::unique_ptr<Job>> inFlight_;  // in order
    std::deque<Job*> queue_;                     // not yet taken by a worker
    std::vector<std::thread> workers_;
};

}  // namespace boxlift
