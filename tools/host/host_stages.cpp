// reverb-host's reader, effect and writer, and the threads that run the
// reader and the writer.
#include "host_stages.h"

#include <system_error>
#include <thread>

#include "chunk_calls.h"
#include "tool_checks.h"

namespace lumbrook {

namespace {

// Under Wine a hand-over that wakes a waiting stage is a round trip through
// the wine server, where Linux needs one futex call: chunks eight times the
// renderer's (1 MB of stereo float) make that cost small beside the effect's.
constexpr int64_t kMinChunkFrames = 131072;

}  // namespace

HostStages::HostStages(int32_t bufferFrames, uint32_t channels)
    : bufferFrames_(bufferFrames),
      channels_(channels),
      chunkFrames_(ChunkFramesFor(bufferFrames, kMinChunkFrames)),
      pipe_(ChunkPipe::kStageChunkCount, size_t(chunkFrames_) * channels) {}

bool HostStages::Run(std::string* error) {
    std::thread reader, writer;
    try {
        reader = std::thread([this] { Read(); });
        writer = std::thread([this] { Write(); });
    } catch (const std::system_error& e) {
        Fail(std::string("cannot start the rendering's threads: ") + e.what());
    }
    if (reader.joinable() && writer.joinable()) Process();
    if (reader.joinable()) reader.join();
    if (writer.joinable()) writer.join();
    if (failed_) *error = failure_;
    return !failed_;
}

void HostStages::Fail(const std::string& message) {
    {
        std::lock_guard<std::mutex> lock(failureMutex_);
        if (!failed_) failure_ = message;
        failed_ = true;
    }
    pipe_.Stop();
}

// A chunk is filled whole before it goes on, so that the effect's calls
// keep the sizes of a loop reading one buffer at a time: only the last
// chunk is short.
void HostStages::Read() {
    for (;;) {
        Chunk* chunk = pipe_.Take(ChunkPipe::kFree);
        if (!chunk) return;
        chunk->frames = 0;
        for (;;) {
            const int64_t room = chunkFrames_ - chunk->frames;
            if (room == 0) break;
            const int32_t got =
                in->Read(chunk->samples.data() + chunk->frames * channels_, int32_t(room));
            if (got < 0) return Fail("reading '" + inName + "' failed");
            if (got == 0) break;
            chunk->frames += got;
        }
        framesRead += chunk->frames;
        nonFiniteSamples +=
            int64_t(CountNonFinite(chunk->samples.data(), size_t(chunk->frames) * channels_));
        const bool end = chunk->frames == 0;
        chunk->last = end;
        pipe_.Pass(chunk, ChunkPipe::kRead);
        if (end) return;
    }
}

void HostStages::Process() {
    Chunk* chunk;
    while ((chunk = pipe_.Take(ChunkPipe::kRead)) && !chunk->last) {
        ProcessChunk(*chunk, bufferFrames_, channels_,
                     [this](float* at, int32_t frames) { effect->ProcessInPlace(at, frames); });
        pipe_.Pass(chunk, ChunkPipe::kProcessed);
    }
    if (!chunk) return;
    const auto effectTail = [this](float* at, int32_t frames, int32_t* done) {
        return effect->ProcessTail(at, frames, done) == 1;
    };
    TailStream stream(tailBudget);
    while (extendTail && !stream.Ended()) {
        Chunk* tail = pipe_.Take(ChunkPipe::kFree);
        if (!tail) return;
        FillWithTail(*tail, chunkFrames_, stream, bufferFrames_, channels_, effectTail);
        pipe_.Pass(tail, ChunkPipe::kProcessed);
    }
    pipe_.Pass(chunk, ChunkPipe::kProcessed);  // the end
}

void HostStages::Write() {
    std::string error;
    for (;;) {
        Chunk* chunk = pipe_.Take(ChunkPipe::kProcessed);
        if (!chunk || chunk->last) return;
        if (chunk->frames > 0 && !out->Write(chunk->samples.data(), int32_t(chunk->frames), &error))
            return Fail(error);
        pipe_.Pass(chunk, ChunkPipe::kFree);
    }
}

}  // namespace lumbrook
