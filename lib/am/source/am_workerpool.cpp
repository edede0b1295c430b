#include "am_workerpool.h"

#include "nvn_system.h"

#include <algorithm>
#include <sched.h>

namespace norvane {
namespace am {

WorkerPool::WorkerPool(int workers, int capacity)
    : mWorkerCount(std::max(1, workers)), mCapacity(std::max(1, capacity)) {
    try {
        for (int i = 0; i < mWorkerCount; ++i) mThreads.emplace_back(&WorkerPool::work, this);
    } catch (...) {
        finish(); // the workers already started end before the error goes on
        throw;
    }
}

WorkerPool::~WorkerPool() { finish(); }

void WorkerPool::submit(std::function<void()> task) {
    std::unique_lock<std::mutex> lock(mMutex);
    ++mBlocked;
    mSlotFreed.wait(lock, [this] { return mFinishing || static_cast<int>(mTasks.size()) < mCapacity; });
    --mBlocked;
    if (mFinishing) throw Exception("WorkerPool::submit; the pool has finished");
    mTasks.push_back(std::move(task));
    mTaskQueued.notify_one();
}

void WorkerPool::finish() {
    {
        std::lock_guard<std::mutex> lock(mMutex);
        mFinishing = true;
    }
    mTaskQueued.notify_all();
    mSlotFreed.notify_all();
    for (std::thread& thread : mThreads)
        if (thread.joinable()) thread.join();
    mThreads.clear();
}

int WorkerPool::getWaiting() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return static_cast<int>(mTasks.size());
}

int WorkerPool::getBlocked() const {
    std::lock_guard<std::mutex> lock(mMutex);
    return mBlocked;
}

int WorkerPool::coresAvailable() {
    // The cores this process may run on (taskset, a container's CPU set), not those of the machine.
    cpu_set_t cores;
    CPU_ZERO(&cores);
    if (sched_getaffinity(0, sizeof(cores), &cores) == 0) return std::max(1, CPU_COUNT(&cores));
    return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

int WorkerPool::defaultWorkers() { return std::max(1, coresAvailable() - 1); }

void WorkerPool::work() {
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock<std::mutex> lock(mMutex);
            // A finishing pool still runs what was handed over before it ends.
            mTaskQueued.wait(lock, [this] { return mFinishing || !mTasks.empty(); });
            if (mTasks.empty()) return;
            task = std::move(mTasks.front());
            mTasks.pop_front();
        }
        mSlotFreed.notify_one();
        try {
            task();
        } catch (const std::exception& error) {
            NVN_LOG("error", "app", "A worker's task failed: %s", error.what());
        } catch (...) {
            NVN_LOG("error", "app", "A worker's task failed");
        }
    }
}

} // namespace am
} // namespace norvane
