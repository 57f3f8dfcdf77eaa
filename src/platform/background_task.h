// One thread of its own that runs one job at a time: start hands it a job
// and returns, wait blocks until the job is done. The thread is made on the
// first start and joined on destruction.
#pragma once
#include <condition_variable>
#include <mutex>
#include <thread>

class BackgroundTask {
public:
    BackgroundTask() = default;
    BackgroundTask(const BackgroundTask&) = delete;
    BackgroundTask& operator=(const BackgroundTask&) = delete;
    ~BackgroundTask(); // waits for the job, then ends the thread

    // Runs job(context) on the thread. Waits first for a job still running.
    void start(void (*job)(void*), void* context);
    // Blocks until the last started job is done; at once when none is running.
    void wait();

private:
    void loop();

    std::thread thread_;               // made on the first start
    std::mutex mutex_;                 // guards the fields below
    std::condition_variable changed_;  // a job handed over or finished
    void (*job_)(void*) = nullptr;     // the job not yet finished, or null
    void* context_ = nullptr;          // handed to job_
    bool quit_ = false;                // the thread leaves once idle
};
