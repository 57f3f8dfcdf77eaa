// A few persistent threads that share the iterations of a loop with the
// caller. Idle threads sleep rather than spin: where the cores are also busy
// (a software rasteriser drawing the last frame), a spinning wait takes the
// time slices the work itself needs.
#pragma once

namespace work_pool {

// One loop as a pool sees it: plain function pointers, so posting one allocates nothing.
struct Loop {
    void (*first)(void* context) = nullptr;                     // runs once, on one participant; may be null
    void (*range)(void* context, int begin, int end) = nullptr; // indices [begin, end)
    void* context = nullptr;                                    // handed to both
    int count = 0;                                              // indices in all
    int chunk = 1;                                              // indices per hand-out
};

struct Pool;

// Loops started from the calling thread use at most this many participants
// (0: all); for a thread that runs beside other busy threads.
void limitCallingThread(int participants);

} // namespace work_pool

// The workers a simulation's loops are shared with: handed to a scene, or
// the process's shared pool when none is. Threads start at the first loop
// that needs them; a pool of one participant never starts a thread.
class WorkPool {
public:
    // participants: the caller included, clamped to 1..64.
    explicit WorkPool(int participants);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // The process's pool: ARBORVANE_THREADS participants when set to 1..64,
    // else one per core. Safe to share: callers on different threads take
    // turns loop by loop.
    static WorkPool& shared();

    int participants() const;
    // Clamped to 1..64. Not from inside a loop; the threads follow at the next loop.
    void setParticipants(int count);

    // Returns when first() and every index are done. Which participant runs
    // what varies from run to run, so the work must not depend on it.
    void run(const work_pool::Loop& loop);

private:
    explicit WorkPool(work_pool::Pool* shared);

    work_pool::Pool* pool_; // the threads and the posted loop
    bool owned_;            // pool_ is this object's to delete
};

namespace work_pool {

// body(i) for each i in [0, count), handed out chunk indices at a time;
// first(), when given, runs once before its participant takes indices.
template <class Body>
void forEach(WorkPool& pool, int count, int chunk, Body& body)
{
    Loop loop;
    loop.range = [](void* c, int begin, int end) {
        Body& b = *static_cast<Body*>(c);
        for (int i = begin; i < end; ++i) b(i);
    };
    loop.context = &body;
    loop.count = count;
    loop.chunk = chunk;
    pool.run(loop);
}

template <class First, class Body>
void forEach(WorkPool& pool, First& first, int count, int chunk, Body& body)
{
    struct Both {
        First& first;
        Body& body;
    } both{first, body};
    Loop loop;
    loop.first = [](void* c) { static_cast<Both*>(c)->first(); };
    loop.range = [](void* c, int begin, int end) {
        Body& b = static_cast<Both*>(c)->body;
        for (int i = begin; i < end; ++i) b(i);
    };
    loop.context = &both;
    loop.count = count;
    loop.chunk = chunk;
    pool.run(loop);
}

} // namespace work_pool
