// Hand-overs between the render's stages under one lock: a stage waits only
// for a chunk that another stage will pass, or for Stop. Waits are rare (the
// slowest stage sets the pace and the others wait for it), so one condition
// for all the queues costs little.
#include "chunk_pipe.h"

namespace lumbrook {

int64_t ChunkFramesFor(int32_t callFrames, int64_t minFrames) {
    return callFrames >= minFrames ? callFrames
                                   : callFrames * ((minFrames + callFrames - 1) / callFrames);
}

ChunkPipe::ChunkPipe(size_t chunkCount, size_t samplesPerChunk) : chunks_(chunkCount) {
    for (Chunk& chunk : chunks_) {
        chunk.samples.resize(samplesPerChunk);
        waiting_[kFree].push_back(&chunk);
    }
}

Chunk* ChunkPipe::Take(Queue queue) {
    std::unique_lock<std::mutex> lock(mutex_);
    while (!stopped_ && waiting_[queue].empty()) {
        ++sleepers_;
        changed_.wait(lock);
        --sleepers_;
    }
    if (stopped_) return nullptr;
    Chunk* chunk = waiting_[queue].front();
    waiting_[queue].pop_front();
    return chunk;
}

void ChunkPipe::Pass(Chunk* chunk, Queue queue) {
    bool wake;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_[queue].push_back(chunk);
        wake = sleepers_ > 0;
    }
    // Most hand-overs find the next stage busy: no system call then.
    if (wake) changed_.notify_all();
}

void ChunkPipe::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

}  // namespace lumbrook
