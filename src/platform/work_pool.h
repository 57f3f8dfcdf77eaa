// A few persistent threads that share the iterations of a loop with the
// caller. Idle threads sleep rather than spin: where the cores are also busy
// (a software rasteriser drawing the last frame), a spinning wait takes the
// time slices the work itself needs.
#pragma once

namespace work_pool {

// Participants in a loop, the caller included: ARBORVANE_THREADS when set to
// 1..64, else one per core.
int threadCount();
// Clamped to 1..64. Not from inside a loop; the threads follow at the next loop.
void setThreadCount(int count);

// Loops started from the calling thread use at most this many participants
// (0: all); for a thread that runs beside other busy threads.
void limitCallingThread(int participants);

// One loop as the pool sees it: plain function pointers, so posting one allocates nothing.
struct Loop {
    void (*first)(void* context) = nullptr;                     // runs once, on one participant; may be null
    void (*range)(void* context, int begin, int end) = nullptr; // indices [begin, end)
    void* context = nullptr;                                    // handed to both
    int count = 0;                                              // indices in all
    int chunk = 1;                                              // indices per hand-out
};

// Returns when first() and every index are done. Which participant runs
// what varies from run to run, so the work must not depend on it.
void run(const Loop& loop);

// body(i) for each i in [0, count), handed out chunk indices at a time;
// first(), when given, runs once before its participant takes indices.
template <class Body>
void forEach(int count, int chunk, Body& body)
{
    Loop loop;
    loop.range = [](void* c, int begin, int end) {
        Body& b = *static_cast<Body*>(c);
        for (int i = begin; i < end; ++i) b(i);
    };
    loop.context = &body;
    loop.count = count;
    loop.chunk = chunk;
    run(loop);
}

template <class First, class Body>
void forEach(First& first, int count, int chunk, Body& body)
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
    run(loop);
}

} // namespace work_pool
