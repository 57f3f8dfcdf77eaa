// The thread pool: every index once, first() once, the caller never returns
// early, and back-to-back loops (the pattern of a step) do not mix.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <thread>
#include <vector>

#include "cli/median.h"
#include "platform/work_pool.h"

namespace {

struct Restore {
    int before = WorkPool::shared().participants();
    ~Restore() { WorkPool::shared().setParticipants(before); }
};

// Every index once, first() once, and no hand-out empty.
TEST(WorkPool, EveryIndexOnceAndFirstOnceForAnyShape)
{
    struct Record {
        std::vector<std::atomic<int>> seen;
        std::atomic<int> firsts{0}, ranges{0}, empty{0};
    };
    Restore restore;
    const int threads[] = {1, 2, 3, 8};
    const int counts[] = {0, 1, 63, 64, 65, 1000};
    const int chunks[] = {1, 4, 64, 5000};
    for (int t : threads) {
        WorkPool::shared().setParticipants(t);
        for (int count : counts)
            for (int chunk : chunks) {
                Record r{std::vector<std::atomic<int>>(count > 0 ? count : 1)};
                work_pool::Loop loop;
                loop.first = [](void* c) { static_cast<Record*>(c)->firsts.fetch_add(1); };
                loop.range = [](void* c, int begin, int end) {
                    Record& r = *static_cast<Record*>(c);
                    r.ranges.fetch_add(1);
                    if (!(begin < end)) r.empty.fetch_add(1);
                    for (int i = begin; i < end; ++i) r.seen[i].fetch_add(1);
                };
                loop.context = &r;
                loop.count = count;
                loop.chunk = chunk;
                WorkPool::shared().run(loop);
                EXPECT_EQ(r.firsts.load(), 1) << t << " threads, " << count << " / " << chunk;
                EXPECT_EQ(r.empty.load(), 0) << t << " threads, " << count << " / " << chunk;
                EXPECT_LE(r.ranges.load(), (count + chunk - 1) / chunk) << t << " threads, " << count << " / " << chunk;
                for (int i = 0; i < count; ++i) ASSERT_EQ(r.seen[i].load(), 1) << "index " << i << ", " << t << " threads";
            }
    }
}

TEST(WorkPool, LoopsInSuccessionSeeTheirOwnWorkOnly)
{
    Restore restore;
    WorkPool::shared().setParticipants(4);
    // Each loop writes its round number; a participant left over from the
    // last loop would write a stale one, a lost chunk would leave one behind.
    std::vector<int> value(997, -1);
    for (int round = 0; round < 2000; ++round) {
        auto body = [&](int i) { value[i] = round; };
        work_pool::forEach(WorkPool::shared(), static_cast<int>(value.size()), 7, body);
        for (int v : value) ASSERT_EQ(v, round);
    }
}

TEST(WorkPool, ALimitedCallerWorksAlone)
{
    Restore restore;
    WorkPool::shared().setParticipants(4);
    std::thread caller([] {
        work_pool::limitCallingThread(1);
        std::vector<std::thread::id> who(300);
        auto body = [&](int i) { who[i] = std::this_thread::get_id(); };
        work_pool::forEach(WorkPool::shared(), static_cast<int>(who.size()), 1, body);
        for (const std::thread::id& id : who) EXPECT_EQ(id, std::this_thread::get_id());
    });
    caller.join();
}


// A pool of one never leaves the caller; pools of their own, used from two
// threads at once, each do their own loop whole.
TEST(WorkPool, OwnPoolsAreIndependentAndOneParticipantStaysOnTheCaller)
{
    WorkPool single(1);
    std::vector<std::thread::id> who(200);
    auto mark = [&](int i) { who[i] = std::this_thread::get_id(); };
    work_pool::forEach(single, static_cast<int>(who.size()), 1, mark);
    for (const std::thread::id& id : who) EXPECT_EQ(id, std::this_thread::get_id());

    auto fill = [](WorkPool& pool, std::vector<int>& value) {
        for (int round = 0; round < 300; ++round) {
            auto body = [&](int i) { value[i] += 1; };
            work_pool::forEach(pool, static_cast<int>(value.size()), 5, body);
        }
    };
    WorkPool a(2), b(3);
    std::vector<int> va(501, 0), vb(499, 0), vs(97, 0);
    std::thread ta([&] { fill(a, va); });
    std::thread ts([&] { fill(WorkPool::shared(), vs); });
    fill(b, vb);
    ta.join();
    ts.join();
    for (int v : va) ASSERT_EQ(v, 300);
    for (int v : vb) ASSERT_EQ(v, 300);
    for (int v : vs) ASSERT_EQ(v, 300);
}

} // namespace

// The timing figures' median: the middle value, the mean of the two middle
// values for an even count, 0 for nothing measured.
TEST(Median, OddEvenAndEmptySamples)
{
    double odd[] = {9.0, 1.0, 5.0, 7.0, 3.0};
    EXPECT_EQ(median(odd, 5), 5.0);
    double even[] = {8.0, 2.0, 6.0, 4.0};
    EXPECT_EQ(median(even, 4), 5.0);
    double two[] = {3.0, 1.0};
    EXPECT_EQ(median(two, 2), 2.0);
    EXPECT_EQ(median(nullptr, 0), 0.0);
    // Against a sorted copy, for every count and many orders.
    std::mt19937 random(7);
    for (int count = 1; count <= 24; ++count)
        for (int trial = 0; trial < 20; ++trial) {
            std::vector<double> v(count);
            for (double& x : v) x = static_cast<int>(random() % 100);
            std::vector<double> sorted = v;
            std::sort(sorted.begin(), sorted.end());
            const double expected = (sorted[(count - 1) / 2] + sorted[count / 2]) / 2;
            ASSERT_EQ(median(v.data(), count), expected) << count << " values";
        }
}
