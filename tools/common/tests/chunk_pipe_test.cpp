// The pipe between the render's stages: chunks handed over in order from
// stage to stage, a stage waiting for a chunk woken when one is passed, and
// Stop waking every waiting stage for good.
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

#include "chunk_pipe.h"

namespace lumbrook {
namespace {

using std::chrono::seconds;

// Takes from the queue on a thread of its own, as a stage does.
std::future<Chunk*> TakeElsewhere(ChunkPipe& pipe, ChunkPipe::Queue queue) {
    return std::async(std::launch::async, [&pipe, queue] { return pipe.Take(queue); });
}

// Gives a stage time to fall asleep in Take before the pipe changes.
void LetItWait() {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Each queue gives its chunks back in the order they were passed to it, so
// the writer writes what the reader read in the order it was read.
TEST(ChunkPipe, HandsChunksOverInOrderFromStageToStage) {
    ChunkPipe pipe(4, 8);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        for (int i = 0; i < 4; ++i) {
            Chunk* chunk = pipe.Take(ChunkPipe::kFree);
            ASSERT_NE(chunk, nullptr);
            EXPECT_EQ(chunk->samples.size(), 8u);
            chunk->frames = 4 * round + i;
            pipe.Pass(chunk, ChunkPipe::kRead);
        }
        for (int i = 0; i < 4; ++i) pipe.Pass(pipe.Take(ChunkPipe::kRead), ChunkPipe::kProcessed);
        // Passed back free out of order: the next round reads them in that order.
        std::vector<Chunk*> written;
        for (int i = 0; i < 4; ++i) {
            Chunk* chunk = pipe.Take(ChunkPipe::kProcessed);
            ASSERT_NE(chunk, nullptr);
            EXPECT_EQ(chunk->frames, 4 * round + i);
            written.push_back(chunk);
        }
        for (int i : {2, 0, 3, 1}) pipe.Pass(written[size_t(i)], ChunkPipe::kFree);
        for (int i : {2, 0, 3, 1}) {
            Chunk* chunk = pipe.Take(ChunkPipe::kFree);
            EXPECT_EQ(chunk, written[size_t(i)]);
            pipe.Pass(chunk, ChunkPipe::kFree);
        }
    }
}

// A stage waiting for a chunk wakes when another stage passes one; if it
// does not, the test wakes it with Stop rather than hang.
TEST(ChunkPipe, AWaitingStageTakesTheChunkPassedToIt) {
    ChunkPipe pipe(1, 4);
    Chunk* chunk = pipe.Take(ChunkPipe::kFree);
    std::future<Chunk*> waiting = TakeElsewhere(pipe, ChunkPipe::kProcessed);
    LetItWait();
    pipe.Pass(chunk, ChunkPipe::kProcessed);
    const bool woke = waiting.wait_for(seconds(10)) == std::future_status::ready;
    EXPECT_TRUE(woke) << "the waiting stage was not woken by the hand-over";
    if (!woke) pipe.Stop();
    EXPECT_EQ(waiting.get(), woke ? chunk : nullptr);
}

// Stop wakes every waiting stage with nothing, and from then on every Take
// gives nothing, chunks waiting or not: no stage waits on one that quit.
TEST(ChunkPipe, StopWakesEveryWaitingStageForGood) {
    ChunkPipe pipe(2, 4);
    Chunk* first = pipe.Take(ChunkPipe::kFree);
    std::future<Chunk*> engine = TakeElsewhere(pipe, ChunkPipe::kRead);
    std::future<Chunk*> writer = TakeElsewhere(pipe, ChunkPipe::kProcessed);
    LetItWait();
    pipe.Stop();
    for (std::future<Chunk*>* stage : {&engine, &writer}) {
        const bool woke = stage->wait_for(seconds(10)) == std::future_status::ready;
        EXPECT_TRUE(woke) << "a waiting stage was not woken by Stop";
        // Unstuck by a hand-over that wakes the sleepers, which then see the stop.
        if (!woke) pipe.Pass(first, ChunkPipe::kFree);
        EXPECT_EQ(stage->get(), nullptr);
    }
    pipe.Pass(first, ChunkPipe::kRead);
    EXPECT_EQ(pipe.Take(ChunkPipe::kRead), nullptr);
    EXPECT_EQ(pipe.Take(ChunkPipe::kFree), nullptr);
}

}  // namespace
}  // namespace lumbrook
