// A small persistent pool of threads that runs one task in a fixed number of parts, the calling
// thread taking part 0. Used to sort, to draw horizontal bands of the image and to split
// per-vertex and per-triangle work; nothing is allocated per run.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane {

class CWorkerPool {
  public:
    // `threads` parts per run (at least 1); threads - 1 helper threads are started, fewer when the
    // system refuses some (Count() says how many parts there are).
    explicit CWorkerPool(int threads);
    ~CWorkerPool();
    CWorkerPool(const CWorkerPool&) = delete;
    CWorkerPool& operator=(const CWorkerPool&) = delete;

    // Number of parts each run is split into.
    int Count() const { return m_count; }

    // Calls task(part) for every part 0 .. Count() - 1, part 0 on the calling thread, and returns
    // when all have finished.
    template <typename Task>
    void Run(Task& task) {
        RunParts(&CallTask<Task>, &task);
    }

    // The threads a new view uses: the machine's hardware threads, at most 8.
    static int DefaultThreadCount();

  private:
    using PartFunction = void (*)(void*, int);

    template <typename Task>
    static void CallTask(void* task, int part) {
        (*static_cast<Task*>(task))(part);
    }

    void RunParts(PartFunction function, void* context);
    void WorkerLoop(int part);

    int m_count;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_start;
    std::condition_variable m_done;
    PartFunction m_function = nullptr;
    void* m_context = nullptr;
    std::uint64_t m_generation = 0;
    int m_pending = 0;
    bool m_stop = false;
};

// The half-open range of items [first, last) that part `part` of `parts` handles out of `count`.
struct PartRange {
    std::size_t first;
    std::size_t last;
};
inline PartRange SplitRange(std::size_t count, int part, int parts) {
    const std::size_t p = static_cast<std::size_t>(part);
    const std::size_t n = static_cast<std::size_t>(parts);
    return {count * p / n, count * (p + 1) / n};
}

}  // namespace quorvane
