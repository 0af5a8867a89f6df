#include "parallelrunner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

unsigned ParallelRunner::defaultThreads()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

void ParallelRunner::run(std::size_t count, std::size_t chunk, unsigned threads, const Work &work,
                         const Tick &tick)
{
    using Clock = std::chrono::steady_clock;
    const auto interval = std::chrono::duration_cast<Clock::duration>(
            std::chrono::duration<double>(kTickSeconds));
    chunk = std::max<std::size_t>(1, chunk);
    if (threads == 0)
        threads = defaultThreads();
    const std::size_t chunks = (count + chunk - 1) / chunk;
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, std::max<std::size_t>(1, chunks)));

    if (threads == 1) {
        auto last = Clock::now();
        for (std::size_t begin = 0; begin < count; begin += chunk) {
            work(begin, std::min(count, begin + chunk));
            if (tick && Clock::now() - last >= interval) {
                last = Clock::now();
                tick(std::min(count, begin + chunk));
            }
        }
        if (tick)
            tick(count);
        return;
    }

    std::atomic<std::size_t> next{ 0 };
    std::atomic<std::size_t> done{ 0 };
    std::atomic<bool> failed{ false };
    std::mutex mutex;
    std::condition_variable finished;
    std::exception_ptr error;
    unsigned running = threads;

    auto worker = [&] {
        while (!failed.load(std::memory_order_relaxed)) {
            const std::size_t begin = next.fetch_add(chunk, std::memory_order_relaxed);
            if (begin >= count)
                break;
            const std::size_t end = std::min(count, begin + chunk);
            try {
                work(begin, end);
            } catch (...) {
                std::lock_guard<std::mutex> lock(mutex);
                if (!error)
                    error = std::current_exception();
                failed = true;
            }
            done.fetch_add(end - begin, std::memory_order_relaxed);
        }
        std::lock_guard<std::mutex> lock(mutex);
        if (--running == 0)
            finished.notify_one();
    };

    std::vector<std::thread> pool;
    pool.reserve(threads);
    // A thread the system refuses is one worker fewer; with none at all the
    // calling thread does the work itself.
    for (unsigned k = 0; k < threads; ++k) {
        try {
            pool.emplace_back(worker);
        } catch (const std::system_error &) {
            std::lock_guard<std::mutex> lock(mutex);
            running -= threads - k;
            break;
        }
    }
    if (pool.empty()) {
        running = 1;
        worker();
    }
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (!finished.wait_for(lock, interval, [&] { return running == 0; })) {
            if (tick) {
                lock.unlock();
                tick(done.load(std::memory_order_relaxed));
                lock.lock();
            }
        }
    }
    for (std::thread &t : pool)
        t.join();
    if (error)
        std::rethrow_exception(error);
    if (tick)
        tick(count);
}
