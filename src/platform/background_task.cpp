#include "platform/background_task.h"

BackgroundTask::~BackgroundTask()
{
    if (!thread_.joinable()) return;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return job_ == nullptr; });
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void BackgroundTask::start(void (*job)(void*), void* context)
{
    if (!thread_.joinable()) thread_ = std::thread([this] { loop(); });
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return job_ == nullptr; });
        job_ = job;
        context_ = context;
    }
    changed_.notify_all();
}

void BackgroundTask::wait()
{
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return job_ == nullptr; });
}

void BackgroundTask::loop()
{
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return quit_ || job_ != nullptr; });
        if (job_ == nullptr) return; // quit_, and nothing left to run
        void (*job)(void*) = job_;
        void* context = context_;
        lock.unlock();
        job(context);
        lock.lock();
        job_ = nullptr;
        changed_.notify_all();
    }
}
