// The buffers that carry a rendering from stage to stage, each stage on its
// own thread (reader, engine or effect, writer), in the native renderer and
// in reverb-host: a fixed pool, so memory stays bounded whatever the file's
// length, and one lock taken once per chunk hand-over.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

namespace lumbrook {

struct Chunk {
    std::vector<float> samples;  // interleaved
    int64_t frames = 0;
    bool last = false;  // marks the end of the stream and holds no samples
};

// Frames per chunk for stages that call the engine or the effect
// `callFrames` frames at a time: whole calls, at least minFrames, so that a
// small --buffer costs no more hand-overs than the default.
int64_t ChunkFramesFor(int32_t callFrames, int64_t minFrames);

class ChunkPipe {
public:
    // One chunk per stage and one to spare.
    static constexpr size_t kStageChunkCount = 4;

    // Where a chunk waits: free for the reader, read for the engine (or the
    // effect), processed for the writer.
    enum Queue { kFree, kRead, kProcessed, kQueueCount };

    // chunkCount chunks of samplesPerChunk samples, all free.
    ChunkPipe(size_t chunkCount, size_t samplesPerChunk);
    ChunkPipe(const ChunkPipe&) = delete;
    ChunkPipe& operator=(const ChunkPipe&) = delete;

    // The oldest chunk waiting in the queue, waiting for one if need be;
    // null once the pipe is stopped, so that no stage waits on one that quit.
    Chunk* Take(Queue queue);
    void Pass(Chunk* chunk, Queue queue);
    // Called by a stage that fails: every Take, waiting or later, gives null.
    void Stop();

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Chunk> chunks_;
    std::deque<Chunk*> waiting_[kQueueCount];
    int sleepers_ = 0;  // stages waiting in Take
    bool stopped_ = false;
};

}  // namespace lumbrook
