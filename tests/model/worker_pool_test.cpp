// The renderer's helper threads: when the system refuses some, the image is drawn in fewer parts.
#include <gtest/gtest.h>

#include <atomic>

#include "model/thread_start.h"
#include "model/worker_pool.h"

namespace quorvane {
namespace {

TEST(RenderWorkers, RefusedThreadsLeaveFewerParts) {
    for (const int allowed : {0, 1, 2}) {
        LimitThreadStartsForTesting(allowed);
        int count = 0;
        std::atomic<int> partsRun{0};
        {
            CWorkerPool workers(4);
            count = workers.Count();
            auto task = [&](int part) { partsRun.fetch_add(1 << part); };
            workers.Run(task);
        }
        LimitThreadStartsForTesting(-1);
        EXPECT_EQ(count, allowed + 1);
        EXPECT_EQ(partsRun.load(), (1 << (allowed + 1)) - 1) << "every part once";
    }
}

}  // namespace
}  // namespace quorvane
