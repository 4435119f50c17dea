#include "model/worker_pool.h"

#include <algorithm>

#include "model/thread_start.h"

namespace quorvane {

namespace {

constexpr int kMaxDefaultThreads = 8;

}  // namespace

// Starts the helpers; when the system refuses one, the parts are those of the threads started.
CWorkerPool::CWorkerPool(int threads) : m_count(std::max(threads, 1)) {
    m_threads.reserve(static_cast<std::size_t>(m_count - 1));
    for (int part = 1; part < m_count; ++part) {
        std::thread helper;
        if (!TryStartThread(helper, [this, part] { WorkerLoop(part); })) {
            break;
        }
        m_threads.push_back(std::move(helper));
    }
    m_count = static_cast<int>(m_threads.size()) + 1;
}

CWorkerPool::~CWorkerPool() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_start.notify_all();
    for (std::thread& thread : m_threads) {
        thread.join();
    }
}

int CWorkerPool::DefaultThreadCount() {
    const unsigned hardware = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(hardware), 1, kMaxDefaultThreads);
}

// Publishes the task under a new generation, runs part 0 here and waits for the helpers.
void CWorkerPool::RunParts(PartFunction function, void* context) {
    if (m_count == 1) {
        function(context, 0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_function = function;
        m_context = context;
        m_pending = m_count - 1;
        ++m_generation;
    }
    m_start.notify_all();
    function(context, 0);
    std::unique_lock<std::mutex> lock(m_mutex);
    m_done.wait(lock, [this] { return m_pending == 0; });
}

// Waits for each new generation, runs its part and reports back.
void CWorkerPool::WorkerLoop(int part) {
    std::uint64_t seen = 0;
    for (;;) {
        PartFunction function;
        void* context;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_start.wait(lock, [this, seen] { return m_stop || m_generation != seen; });
            if (m_stop) {
                return;
            }
            seen = m_generation;
            function = m_function;
            context = m_context;
        }
        function(context, part);
        bool last;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            last = --m_pending == 0;
        }
        if (last) {
            m_done.notify_one();
        }
    }
}

}  // namespace quorvane
