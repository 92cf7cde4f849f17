// The three stages of reverb-host's rendering: a reader thread fills chunks
// from the input, the effect processes them on the caller's thread (the one
// that created it: its apartment is single-threaded) and appends the tail,
// a writer thread writes them. The effect sees the calls of one loop, in the
// same order and sizes, so the output is the same to the bit.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "chunk_pipe.h"
#include "interfaces.h"
#include "wav_file.h"

namespace lumbrook {

class HostStages {
public:
    // Effect calls of `bufferFrames` frames on `channels` interleaved channels.
    HostStages(int32_t bufferFrames, uint32_t channels);

    // Set before Run; the files and the effect stay the caller's.
    WavReader* in = nullptr;
    WavWriter* out = nullptr;
    IInPlaceEffect* effect = nullptr;
    std::string inName;  // the input as messages name it
    bool extendTail = false;
    int64_t tailBudget = 0;  // frames the tail may add

    // Runs the three stages to their end, on the thread that created the
    // effect. The first stage that fails stops the others at their next
    // hand-over; false then, with its message (a read or write that failed,
    // or threads that could not start).
    bool Run(std::string* error);

    // Read once Run has returned.
    int64_t framesRead = 0, nonFiniteSamples = 0;  // reader

private:
    void Read();
    void Process();
    void Write();
    // Keeps the first failure's message and stops every stage.
    void Fail(const std::string& message);

    int32_t bufferFrames_;  // frames per effect call
    uint32_t channels_;
    int64_t chunkFrames_;
    ChunkPipe pipe_;
    std::mutex failureMutex_;
    std::string failure_;
    bool failed_ = false;
};

}  // namespace lumbrook
