// The render's reader, engine and writer, and the threads that run them.
#include "render_stages.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <thread>

#include "chunk_calls.h"
#include "tool_checks.h"

namespace lumbrook {

namespace {

// 128 KB of stereo float: a hand-over costs at most a futex call here.
constexpr int64_t kMinChunkFrames = 16384;
constexpr off_t kWritebackBytes = 8 << 20;

}  // namespace

RenderStages::RenderStages(int32_t bufferFrames, uint32_t channels)
    : bufferFrames_(bufferFrames),
      chunkFrames_(ChunkFramesFor(bufferFrames, kMinChunkFrames)),
      pipe_(ChunkPipe::kStageChunkCount, size_t(chunkFrames_) * channels) {}

bool RenderStages::Run(std::string* error) {
    std::thread reader, processor;
    try {
        reader = std::thread([this] { Read(); });
        processor = std::thread([this] { Process(); });
    } catch (const std::system_error& e) {
        pipe_.Stop();
        if (stopInput) stopInput();
        if (reader.joinable()) reader.join();
        *error = std::string("cannot start the render's threads: ") + e.what();
        return false;
    }
    Write();
    if (!ended && stopInput) stopInput();
    reader.join();
    processor.join();
    return true;
}

void RenderStages::Read() {
    for (;;) {
        Chunk* chunk = pipe_.Take(ChunkPipe::kFree);
        if (!chunk) return;
        const sf_count_t got = sf_readf_float(in, chunk->samples.data(), chunkFrames_);
        // A read that fails part-way gives what it decoded with the error;
        // the next read would clear the error and give nothing, like an end.
        if (sf_error(in) != SF_ERR_NO_ERROR) {
            readError = true;
            pipe_.Stop();
            return;
        }
        if (got <= 0) {
            chunk->frames = 0;
            chunk->last = true;
            pipe_.Pass(chunk, ChunkPipe::kRead);
            return;
        }
        chunk->frames = got;
        chunk->last = false;
        inputFrames += got;
        pipe_.Pass(chunk, ChunkPipe::kRead);
    }
}

void RenderStages::Process() {
    const uint32_t channels = format.channelCount;
    Chunk* chunk;
    while ((chunk = pipe_.Take(ChunkPipe::kRead)) && !chunk->last) {
        nonFiniteSamples +=
            int64_t(CountNonFinite(chunk->samples.data(), size_t(chunk->frames) * channels));
        ProcessChunk(*chunk, bufferFrames_, channels, [this](float* at, int32_t frames) {
            engine->ProcessInPlace(at, frames, format);
        });
        pipe_.Pass(chunk, ChunkPipe::kProcessed);
    }
    if (!chunk) return;
    const auto engineTail = [this](float* at, int32_t frames, int32_t* done) {
        return engine->ProcessTail(at, frames, format, done);
    };
    TailStream stream(tailBudget);
    while (extendTail && !stream.Ended()) {
        Chunk* tail = pipe_.Take(ChunkPipe::kFree);
        if (!tail) return;
        FillWithTail(*tail, chunkFrames_, stream, bufferFrames_, channels, engineTail);
        tailFrames = stream.Delivered();
        pipe_.Pass(tail, ChunkPipe::kProcessed);
    }
    pipe_.Pass(chunk, ChunkPipe::kProcessed);  // the end
}

// Asks the system to start putting each few megabytes written on the disk,
// so that the final flush before the rename waits only for the last of them.
void RenderStages::StartWriteback() {
#ifdef __linux__
    if (writebackFd < 0) return;
    const off_t end = lseek(writebackFd, 0, SEEK_CUR);
    if (end - writebackFrom_ < kWritebackBytes) return;
    sync_file_range(writebackFd, writebackFrom_, end - writebackFrom_, SYNC_FILE_RANGE_WRITE);
    writebackFrom_ = end;
#endif
}

// Runs on the caller's thread, which also reports the progress.
void RenderStages::Write() {
    int64_t written = 0;
    for (;;) {
        Chunk* chunk = pipe_.Take(ChunkPipe::kProcessed);
        if (!chunk) return;
        if (chunk->last) {
            ended = true;
            return;
        }
        if (chunk->frames > 0 &&
            sf_writef_float(out, chunk->samples.data(), chunk->frames) != chunk->frames) {
            pipe_.Stop();
            return;
        }
        written += chunk->frames;
        StartWriteback();
        if (*progress) (*progress)(written, total, format.sampleRate);
        pipe_.Pass(chunk, ChunkPipe::kFree);
    }
}

}  // namespace lumbrook
