#pragma once
// A fixed set of worker threads that take tasks in the order they were handed over. The queue is
// bounded: when it is full, the caller waits for a slot instead of growing it.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace norvane {
namespace am {

class WorkerPool {
public:
    // Starts the workers (at least one); at most capacity tasks (at least one) wait to be taken.
    WorkerPool(int workers, int capacity);
    // Runs every task handed over, then ends the workers (as finish).
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues the task, waiting while the queue is full. A task must not throw; one that does is
    // logged. Throws when the pool has finished.
    void submit(std::function<void()> task);
    // Waits until every task handed over has run and the workers have ended.
    void finish();

    int getWorkers() const { return mWorkerCount; }
    int getCapacity() const { return mCapacity; }
    // Tasks waiting for a worker.
    int getWaiting() const;
    // Callers of submit waiting for a slot.
    int getBlocked() const;

    // The cores this process may run on, at least one.
    static int coresAvailable();
    // One fewer than those cores, at least one.
    static int defaultWorkers();

private:
    void work();

    const int mWorkerCount;
    const int mCapacity;
    mutable std::mutex mMutex;
    std::condition_variable mTaskQueued; // a task was queued, or the pool is finishing
    std::condition_variable mSlotFreed;  // a worker took a task
    std::deque<std::function<void()>> mTasks;
    int mBlocked = 0;
    bool mFinishing = false;
    std::vector<std::thread> mThreads;
};

} // namespace am
} // namespace norvane
