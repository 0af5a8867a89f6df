#pragma once

#include <cstddef>
#include <functional>

// Spreads independent pieces of work over threads. The work [0, count) is cut
// into chunks that the threads take in turn; whatever a chunk computes must
// depend on its indices alone, so that the results are the same for any
// number of threads. The calling thread only waits and reports progress.
class ParallelRunner
{
public:
    using Work = std::function<void(std::size_t begin, std::size_t end)>;
    // Pieces done so far; called on the calling thread only, at most about
    // every kTickSeconds and once more when all is done.
    using Tick = std::function<void(std::size_t done)>;

    static constexpr double kTickSeconds = 0.1;

    // std::thread::hardware_concurrency(), or 1 where it is unknown.
    static unsigned defaultThreads();

    // Runs work over [0, count) in chunks of `chunk` pieces on `threads`
    // threads (0: defaultThreads()). Returns when all is done; the first
    // exception a chunk throws stops the others from starting new chunks and
    // is rethrown here.
    static void run(std::size_t count, std::size_t chunk, unsigned threads, const Work &work,
                    const Tick &tick = {});
};
