// The calls a processing stage makes over the chunks of a ChunkPipe, one rule
// for the renderer's engine and reverb-host's effect: a chunk goes through in
// calls of `callFrames` frames, and the tail fills chunks call by call, so
// the calls are those of one loop reading a buffer at a time, in the same
// order and sizes, and the output is the same to the bit.
#pragma once

#include <algorithm>
#include <cstdint>

#include "chunk_pipe.h"
#include "reverb_engine.h"

namespace lumbrook {

// process(at, frames) over the chunk, `callFrames` frames at a time; only
// the last call of the last chunk is shorter.
template <typename Process>
void ProcessChunk(Chunk& chunk, int32_t callFrames, uint32_t channels, Process&& process) {
    for (int64_t done = 0; done < chunk.frames; done += callFrames) {
        const int32_t frames = int32_t(std::min<int64_t>(callFrames, chunk.frames - done));
        process(chunk.samples.data() + done * channels, frames);
    }
}

// Fills a chunk of `chunkFrames` frames (whole calls) with the tail, until it
// is full or the tail ends. Only the call that ends the tail delivers fewer
// frames than asked; the room check keeps even a ProcessTail that did
// otherwise inside the chunk.
template <typename ProcessTail>
void FillWithTail(Chunk& chunk, int64_t chunkFrames, TailStream& stream, int32_t callFrames,
                  uint32_t channels, ProcessTail&& processTail) {
    chunk.frames = 0;
    chunk.last = false;
    while (!stream.Ended() && chunk.frames + callFrames <= chunkFrames)
        chunk.frames += stream.Next(chunk.samples.data() + chunk.frames * channels, callFrames,
                                    channels, processTail);
}

}  // namespace lumbrook
