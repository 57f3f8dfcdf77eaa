#include "platform/work_pool.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

namespace work_pool {
namespace {

constexpr int kMaxThreads = 64;
// How long a thread polls before it sleeps: long enough to bridge the gap
// between the loops of one step, far shorter than a frame.
constexpr std::chrono::microseconds kSpin{50};

// Polls done() for up to kSpin; true if it came true.
template <class Done>
bool spinFor(Done&& done)
{
    const auto until = std::chrono::steady_clock::now() + kSpin;
    for (int i = 0;; ++i) {
        if (done()) return true;
        if ((i & 63) == 63 && std::chrono::steady_clock::now() > until) return false;
#if defined(__x86_64__) || defined(__i386__)
        __builtin_ia32_pause();
#endif
    }
}

} // namespace

// The pool's one state record. The posted loop lives here, not on the
// caller's stack: a worker that wakes after the loop is done still touches
// only these counters, never the caller's context.
struct Pool {
    std::mutex callers;                  // one posted loop at a time: a second caller waits its turn
    std::mutex mutex;                    // guards generation, posted, stopping, active
    std::condition_variable wake;        // workers wait here for a loop
    std::condition_variable settled;     // the caller waits here for the last task or for late workers
    std::vector<std::thread> workers;    // threadCount() - 1 of them while running
    std::atomic<int> wanted{0};          // participants asked for; read by any thread
    std::atomic<unsigned long> generation{0}; // bumped per posted loop, under mutex
    bool stopping = false;               // workers leave when set
    int active = 0;                      // workers inside the posted loop
    Loop posted;                         // the current loop
    int tasks = 0;                       // chunks of the posted loop, plus one for first()
    std::atomic<int> nextTask{0};        // next task to hand out
    std::atomic<int> doneTasks{0};       // tasks finished

    explicit Pool(int count) : wanted(count) {}
    ~Pool() { stop(); }

    void stop()
    {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        for (std::thread& t : workers) t.join();
        workers.clear();
        stopping = false;
    }

    // Takes tasks until none is left; tells the caller if it finished the last.
    void work()
    {
        const Loop& loop = posted;
        const int firstTasks = loop.first ? 1 : 0;
        for (;;) {
            const int task = nextTask.fetch_add(1, std::memory_order_relaxed);
            if (task >= tasks) return;
            if (task < firstTasks) {
                loop.first(loop.context);
            } else {
                const int begin = (task - firstTasks) * loop.chunk;
                const int end = begin + loop.chunk < loop.count ? begin + loop.chunk : loop.count;
                loop.range(loop.context, begin, end);
            }
            if (doneTasks.fetch_add(1, std::memory_order_acq_rel) + 1 == tasks) {
                std::lock_guard<std::mutex> lock(mutex);
                settled.notify_all();
            }
        }
    }

    void workerLoop()
    {
        unsigned long seen = 0;
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            lock.unlock();
            spinFor([&] { return generation.load(std::memory_order_acquire) != seen; });
            lock.lock();
            wake.wait(lock, [&] { return stopping || generation != seen; });
            if (stopping) return;
            seen = generation;
            ++active;
            lock.unlock();
            work();
            lock.lock();
            if (--active == 0) settled.notify_all();
        }
    }

    void start(int participants)
    {
        if (static_cast<int>(workers.size()) == participants - 1) return;
        stop();
        for (int i = 1; i < participants; ++i) workers.emplace_back([this] { workerLoop(); });
    }
};

namespace {

thread_local int threadLimit = 0; // participants this thread's loops may use; 0: all

int clampCount(int count) { return count < 1 ? 1 : (count > kMaxThreads ? kMaxThreads : count); }

int defaultCount()
{
    if (const char* text = std::getenv("ARBORVANE_THREADS")) {
        char* end = nullptr;
        const long n = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && n >= 1 && n <= kMaxThreads) return static_cast<int>(n);
    }
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : (cores > kMaxThreads ? kMaxThreads : static_cast<int>(cores));
}

void runOn(Pool& p, const Loop& loop)
{
    const int chunk = loop.chunk < 1 ? 1 : loop.chunk;
    const int count = loop.count < 0 ? 0 : loop.count;
    const int tasks = (loop.first ? 1 : 0) + (count + chunk - 1) / chunk;
    if (tasks == 0) return;
    const int all = p.wanted.load(std::memory_order_relaxed);
    const int participants = threadLimit > 0 && threadLimit < all ? threadLimit : all;
    if (participants == 1 || tasks == 1) {
        if (loop.first) loop.first(loop.context);
        if (count > 0) loop.range(loop.context, 0, count);
        return;
    }
    std::lock_guard<std::mutex> turn(p.callers);
    p.start(participants);
    {
        std::unique_lock<std::mutex> lock(p.mutex);
        // A worker still inside the last loop would read the new one half-written.
        p.settled.wait(lock, [&] { return p.active == 0; });
        p.posted = loop;
        p.posted.chunk = chunk;
        p.posted.count = count;
        p.tasks = tasks;
        p.nextTask.store(0, std::memory_order_relaxed);
        p.doneTasks.store(0, std::memory_order_relaxed);
        ++p.generation;
    }
    p.wake.notify_all();
    p.work();
    // Workers that are slow to wake are not waited for: they find no task left.
    if (spinFor([&] { return p.doneTasks.load(std::memory_order_acquire) == tasks; })) return;
    std::unique_lock<std::mutex> lock(p.mutex);
    p.settled.wait(lock, [&] { return p.doneTasks.load(std::memory_order_acquire) == tasks; });
}

} // namespace

Pool* sharedPool()
{
    // Made once, thread-safely, with its count: the step thread may ask first.
    static Pool p(defaultCount());
    return &p;
}

void limitCallingThread(int participants) { threadLimit = participants < 0 ? 0 : participants; }

} // namespace work_pool

WorkPool::WorkPool(int participants) : pool_(new work_pool::Pool(work_pool::clampCount(participants))), owned_(true) {}

WorkPool::WorkPool(work_pool::Pool* shared) : pool_(shared), owned_(false) {}

WorkPool::~WorkPool()
{
    if (owned_) delete pool_;
}

WorkPool& WorkPool::shared()
{
    static WorkPool pool(work_pool::sharedPool());
    return pool;
}

int WorkPool::participants() const { return pool_->wanted.load(std::memory_order_relaxed); }

void WorkPool::setParticipants(int count) { pool_->wanted = work_pool::clampCount(count); }

void WorkPool::run(const work_pool::Loop& loop) { work_pool::runOn(*pool_, loop); }
