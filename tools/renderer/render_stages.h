// The three stages of a render, each on its own thread: the reader fills
// chunks from the input, the engine reverberates them and appends the tail,
// the writer (the caller's thread) writes them and reports the progress.
// The engine calls are those of one loop, in the same order and sizes, so
// the output is the same to the bit.
#pragma once

#include <sndfile.h>
#include <sys/types.h>

#include <cstdint>
#include <functional>
#include <string>

#include "chunk_pipe.h"
#include "reverb_engine.h"

namespace lumbrook {

class RenderStages {
public:
    // Engine calls of `bufferFrames` frames on `channels` interleaved channels.
    RenderStages(int32_t bufferFrames, uint32_t channels);

    // Set before Run. The files and the engine stay the caller's.
    SNDFILE* in = nullptr;
    SNDFILE* out = nullptr;
    ReverbEngine* engine = nullptr;
    BufferFormat format{};
    bool extendTail = false;
    int64_t tailBudget = 0;  // frames the tail may add
    int64_t total = 0;       // frames expected in all, for the progress
    const std::function<void(int64_t, int64_t, uint32_t)>* progress = nullptr;
    int writebackFd = -1;  // a regular output file's descriptor, -1 for a stream
    // Ends a read that waits for more input, when the render fails before
    // the input has ended (the reader cannot be joined until it returns).
    std::function<void()> stopInput;

    // Runs the three stages to their end. A stage that fails stops the
    // others at their next hand-over; false only when the threads could not
    // start (with the reason), nothing having been read.
    bool Run(std::string* error);

    // Read once Run has returned.
    int64_t inputFrames = 0;  // reader
    bool readError = false;
    int64_t nonFiniteSamples = 0, tailFrames = 0;  // engine
    bool ended = false;                            // writer: the whole stream written

private:
    void Read();
    void Process();
    void Write();
    void StartWriteback();

    int32_t bufferFrames_;  // frames per engine call
    int64_t chunkFrames_;
    ChunkPipe pipe_;
    off_t writebackFrom_ = 0;
};

}  // namespace lumbrook
