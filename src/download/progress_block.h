// The progress block of a download run: the stop flag and the byte counters that the worker
// writes and the download dialog's timer reads, shared without a lock.
#pragma once

#include <atomic>
#include <cstdint>

namespace zefi {

// The stop flag is followed by the total and done byte counters in one block; its address is
// the progress context of the transfer callback and of HashFileMd5. Each field is read and
// written whole (relaxed atomics): a reader may see the counters of two different moments,
// which only disturbs one display refresh.
struct ProgressBlock {
    enum : int32_t { kRunning = 0, kStop = 1, kFinished = 2 };
    std::atomic<int32_t> stopFlag{kRunning};
    std::atomic<int64_t> totalBytes{0};  // size of the file in work
    std::atomic<int64_t> doneBytes{0};   // bytes of it transferred or hashed
};

}  // namespace zefi
