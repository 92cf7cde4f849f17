// Hand-overs between the render's stages under one lock: a stage waits only
// for a chunk that another stage will pass, or for Stop.
#include "chunk_pipe.h"

namespace lumbrook {

ChunkPipe::ChunkPipe(size_t chunkCount, size_t samplesPerChunk) : chunks_(chunkCount) {
    for (Chunk& chunk : chunks_) {
        chunk.samples.resize(samplesPerChunk);
        waiting_[kFree].push_back(&chunk);
    }
}

Chunk* ChunkPipe::Take(Queue queue) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return stopped_ || !waiting_[queue].empty(); });
    if (stopped_) return nullptr;
    Chunk* chunk = waiting_[queue].front();
    waiting_[queue].pop_front();
    return chunk;
}

void ChunkPipe::Pass(Chunk* chunk, Queue queue) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        waiting_[queue].push_back(chunk);
    }
    changed_.notify_all();
}

void ChunkPipe::Stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopped_ = true;
    }
    changed_.notify_all();
}

}  // namespace lumbrook
