#include "render.h"

#include <fcntl.h>
#include <unistd.h>
#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "chunk_pipe.h"
#include "output_file.h"
#include "reverb_engine.h"
#include "tool_checks.h"
#include "wav_header.h"

namespace lumbrook {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

// The sample encoding of each output format: libsndfile's and the header's.
struct OutputEncoding {
    int subtype;
    uint16_t tag, bits;
};

OutputEncoding EncodingOf(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16: return {SF_FORMAT_PCM_16, kWavPcm, 16};
    case SampleFormat::Pcm24: return {SF_FORMAT_PCM_24, kWavPcm, 24};
    case SampleFormat::Float: break;
    }
    return {SF_FORMAT_FLOAT, kWavFloat, 32};
}

// Room for libsndfile's own WAV header (format, fact and peak chunks).
constexpr uint64_t kSndfileHeaderAllowance = 4096;

RenderResult Fail(RenderResult result, std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
}

// The first bytes of a regular file, enough for any header we look at; a
// FIFO is left unread.
WavHead ReadWavHead(const std::string& path) {
    struct stat st;
    if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return {};
    std::vector<unsigned char> bytes(1 << 16);
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return {};
    const size_t got = std::fread(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return ParseWavHead(bytes.data(), got);
}

// Sequential writes into a device, FIFO or pipe: libsndfile converts the
// samples (raw, no header) and never seeks.
struct StreamSink {
    OutputFile* file;
    sf_count_t written = 0;
    bool failed = false;

    static sf_count_t Length(void* self) { return static_cast<StreamSink*>(self)->written; }
    static sf_count_t Seek(sf_count_t offset, int whence, void* self) {
        const sf_count_t at = static_cast<StreamSink*>(self)->written;
        return (whence == SEEK_CUR && offset == 0) || (whence == SEEK_SET && offset == at) ? at
                                                                                           : -1;
    }
    static sf_count_t Read(void*, sf_count_t, void*) { return 0; }
    static sf_count_t Write(const void* bytes, sf_count_t count, void* self) {
        StreamSink* sink = static_cast<StreamSink*>(self);
        if (sink->failed || !sink->file->Write(bytes, size_t(count))) {
            sink->failed = true;
            return 0;
        }
        sink->written += count;
        return count;
    }
    static sf_count_t Tell(void* self) { return static_cast<StreamSink*>(self)->written; }
};

// Frames per chunk: whole engine calls, at least kMinChunkFrames, so that a
// small --block costs no more hand-overs than the default.
constexpr int64_t kMinChunkFrames = 16384;
constexpr size_t kChunkCount = 4;  // one per stage and one to spare
constexpr off_t kWritebackBytes = 8 << 20;

int64_t ChunkFramesFor(int32_t block) {
    return block >= kMinChunkFrames ? block : block * ((kMinChunkFrames + block - 1) / block);
}

// Reader, engine and writer of one render, each run by its own thread: the
// same engine calls, in the same order and sizes, as one loop would make.
// A stage that fails stops the pipe, and the others end at their next
// hand-over; each stage's counts are read once all have ended.
struct Stages {
    explicit Stages(size_t samplesPerChunk) : pipe(kChunkCount, samplesPerChunk) {}

    void Read();
    void Process();
    void Write();
    void StartWriteback();

    ChunkPipe pipe;
    int writebackFd = -1;  // a regular file's descriptor, -1 for a stream
    off_t writebackFrom = 0;
    SNDFILE* in = nullptr;
    SNDFILE* out = nullptr;
    ReverbEngine* engine = nullptr;
    BufferFormat format{};
    int32_t block = 0;  // frames per engine call
    int64_t chunkFrames = 0;
    bool extendTail = false;
    int64_t tailBudget = 0, total = 0;
    const std::function<void(int64_t, int64_t, uint32_t)>* progress = nullptr;

    int64_t inputFrames = 0;  // reader
    bool readError = false;
    int64_t nonFiniteSamples = 0, tailFrames = 0;  // engine
    bool ended = false;                            // writer: the whole stream written
};

void Stages::Read() {
    for (;;) {
        Chunk* chunk = pipe.Take(ChunkPipe::kFree);
        if (!chunk) return;
        const sf_count_t got = sf_readf_float(in, chunk->samples.data(), chunkFrames);
        // A read that fails part-way gives what it decoded with the error;
        // the next read would clear the error and give nothing, like an end.
        if (sf_error(in) != SF_ERR_NO_ERROR) {
            readError = true;
            pipe.Stop();
            return;
        }
        if (got <= 0) {
            chunk->frames = 0;
            chunk->last = true;
            pipe.Pass(chunk, ChunkPipe::kRead);
            return;
        }
        chunk->frames = got;
        chunk->last = false;
        inputFrames += got;
        pipe.Pass(chunk, ChunkPipe::kRead);
    }
}

void Stages::Process() {
    const uint32_t channels = format.channelCount;
    Chunk* chunk;
    while ((chunk = pipe.Take(ChunkPipe::kRead)) && !chunk->last) {
        nonFiniteSamples +=
            int64_t(CountNonFinite(chunk->samples.data(), size_t(chunk->frames) * channels));
        for (int64_t done = 0; done < chunk->frames; done += block) {
            const int32_t frames = int32_t(std::min<int64_t>(block, chunk->frames - done));
            engine->ProcessInPlace(chunk->samples.data() + done * channels, frames, format);
        }
        pipe.Pass(chunk, ChunkPipe::kProcessed);
    }
    if (!chunk) return;
    bool more = extendTail;
    while (more) {
        Chunk* tail = pipe.Take(ChunkPipe::kFree);
        if (!tail) return;
        tail->frames = 0;
        tail->last = false;
        while (more && tail->frames < chunkFrames) {
            float* at = tail->samples.data() + tail->frames * channels;
            std::fill(at, at + size_t(block) * channels, 0.0f);
            int32_t done = 0;
            more = engine->ProcessTail(at, block, format, &done);
            // A tail that ends part-way through a call ends where the budget ran out.
            const int64_t frames = more ? done : std::min<int64_t>(block, tailBudget - tailFrames);
            tailFrames += frames;
            tail->frames += frames;
        }
        pipe.Pass(tail, ChunkPipe::kProcessed);
    }
    pipe.Pass(chunk, ChunkPipe::kProcessed);  // the end
}

// Asks the system to start putting each few megabytes written on the disk,
// so that the final flush before the rename waits only for the last of them.
void Stages::StartWriteback() {
#ifdef __linux__
    if (writebackFd < 0) return;
    const off_t end = lseek(writebackFd, 0, SEEK_CUR);
    if (end - writebackFrom < kWritebackBytes) return;
    sync_file_range(writebackFd, writebackFrom, end - writebackFrom, SYNC_FILE_RANGE_WRITE);
    writebackFrom = end;
#endif
}

// Runs on the caller's thread, which also reports the progress.
void Stages::Write() {
    int64_t written = 0;
    for (;;) {
        Chunk* chunk = pipe.Take(ChunkPipe::kProcessed);
        if (!chunk) return;
        if (chunk->last) {
            ended = true;
            return;
        }
        if (chunk->frames > 0 &&
            sf_writef_float(out, chunk->samples.data(), chunk->frames) != chunk->frames) {
            pipe.Stop();
            return;
        }
        written += chunk->frames;
        StartWriteback();
        if (*progress) (*progress)(written, total, format.sampleRate);
        pipe.Pass(chunk, ChunkPipe::kFree);
    }
}

}  // namespace

std::string RenderProblem(const RenderJob& job) {
    struct stat st;
    if (stat(job.inputPath.c_str(), &st) != 0)
        return "cannot read '" + job.inputPath + "': it does not exist";
    if (S_ISDIR(st.st_mode)) return "'" + job.inputPath + "' is a directory, not an audio file";
    const std::string outputProblem = OutputFile::Problem(job.outputPath);
    if (!outputProblem.empty()) return outputProblem;
    if (job.inputPath == job.outputPath || OutputFile::SameFile(job.inputPath, job.outputPath))
        return "the output would overwrite the input '" + job.inputPath + "'";
    const WavHead head = ReadWavHead(job.inputPath);
    if (head.found) return RateProblem(job.inputPath, head.sampleRate);
    return "";
}

RenderResult Render(const RenderJob& job) {
    RenderResult result;
    const std::string problem = RenderProblem(job);
    if (!problem.empty()) return Fail(result, problem);

    SF_INFO inInfo{};
    SndfilePtr in(sf_open(job.inputPath.c_str(), SFM_READ, &inInfo));
    if (!in)
        return Fail(result, "cannot read '" + job.inputPath + "': " + sf_strerror(nullptr) +
                                " (WAV, AIFF and FLAC are supported)");
    if (inInfo.channels != 1 && inInfo.channels != 2)
        return Fail(result, "'" + job.inputPath + "' has " + std::to_string(inInfo.channels) +
                                " channels; only mono and stereo are supported");
    const std::string rateProblem =
        RateProblem(job.inputPath, uint64_t(std::max(inInfo.samplerate, 0)));
    if (!rateProblem.empty()) return Fail(result, rateProblem);
    result.channels = uint32_t(inInfo.channels);
    result.sampleRate = uint32_t(inInfo.samplerate);

    ReverbParams params = job.params;
    if (job.tail) params.extendTail = 1;
    const int64_t tailBudget = params.extendTail ? int64_t(kTailSeconds) * result.sampleRate : 0;
    const int64_t total = inInfo.frames + tailBudget;
    const OutputEncoding encoding = EncodingOf(job.format);

    OutputFile file;
    if (!file.Open(job.outputPath, &result.error)) return result;
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    StreamSink sink{&file};
    SF_VIRTUAL_IO io = {StreamSink::Length, StreamSink::Seek, StreamSink::Read, StreamSink::Write,
                        StreamSink::Tell};
    SndfilePtr out;
    const uint64_t frameBytes = uint64_t(result.channels) * (encoding.bits / 8);
    const uint64_t dataBytes = uint64_t(total) * frameBytes;
    // Plain WAV while it fits, as readers expect; RF64 past its 4 GiB.
    const bool riff = FitsRiff(dataBytes + kSndfileHeaderAllowance);
    if (file.IsStream()) {
        // No seeking back: the header promises what the render will write.
        const std::string header =
            WavHeader(encoding.tag, encoding.bits, result.channels, result.sampleRate, dataBytes);
        if (!file.Write(header.data(), header.size()))
            return Fail(result, "cannot write '" + job.outputPath + "'");
        outInfo.format = SF_FORMAT_RAW | encoding.subtype;
        out.reset(sf_open_virtual(&io, SFM_WRITE, &outInfo, &sink));
    } else {
        outInfo.format = (riff ? SF_FORMAT_WAV : SF_FORMAT_RF64) | encoding.subtype;
        out.reset(sf_open_fd(file.Descriptor(), SFM_WRITE, &outInfo, SF_FALSE));
    }
    if (!out) return Fail(result, "cannot write '" + job.outputPath + "': " + sf_strerror(nullptr));
    // Float input beyond +-1.0 stays as it is; integer output clips.
    sf_command(out.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    // A block never switches bypass on; only the switch itself does, as in
    // the plug-in.
    auto engine = std::make_unique<ReverbEngine>();
    engine->SetParams(params);
    if (job.bypassSwitch >= 0) engine->SetSwitch(ParamId::Bypass, job.bypassSwitch);
    engine->ResetStream(result.sampleRate);

    const int32_t block = job.blockFrames > 0 ? job.blockFrames : 4096;
    const int64_t chunkFrames = ChunkFramesFor(block);
    Stages stages(size_t(chunkFrames) * result.channels);
    stages.in = in.get();
    stages.out = out.get();
    stages.engine = engine.get();
    stages.format = {result.channels, result.sampleRate};
    stages.block = block;
    stages.chunkFrames = chunkFrames;
    stages.extendTail = params.extendTail != 0;
    stages.tailBudget = tailBudget;
    stages.total = total;
    stages.progress = &job.progress;
    if (!file.IsStream()) stages.writebackFd = file.Descriptor();
    std::thread reader, processor;
    try {
        reader = std::thread([&stages] { stages.Read(); });
        processor = std::thread([&stages] { stages.Process(); });
    } catch (const std::system_error& e) {
        stages.pipe.Stop();
        if (reader.joinable()) reader.join();
        return Fail(result, std::string("cannot start the render's threads: ") + e.what());
    }
    stages.Write();
    reader.join();
    processor.join();
    result.inputFrames = stages.inputFrames;
    result.tailFrames = stages.tailFrames;
    result.nonFiniteSamples = stages.nonFiniteSamples;
    const bool readError = stages.readError;
    bool failed = !stages.ended;
    if (sf_error(out.get()) != SF_ERR_NO_ERROR) failed = true;
    // More frames than the input announced must not wrap a RIFF file's sizes.
    const uint64_t writtenBytes = uint64_t(result.inputFrames + result.tailFrames) * frameBytes;
    if (riff && !FitsRiff(writtenBytes + kSndfileHeaderAllowance)) failed = true;
    if (sf_close(out.release()) != 0) failed = true;
    // A stream's header promised `total` frames; anything else is a broken file.
    if (file.IsStream() && (sink.failed || result.inputFrames + result.tailFrames != total))
        failed = true;
    if (readError) return Fail(result, "'" + job.inputPath + "' is damaged or truncated");
    if (failed)
        return Fail(result, "writing '" + job.outputPath + "' failed; nothing was replaced");
    if (!file.Commit(&result.error)) return result;

    if (result.nonFiniteSamples > 0)
        result.warnings.push_back(NonFiniteWarning(job.inputPath, result.nonFiniteSamples));
    const WavHead head = ReadWavHead(job.inputPath);
    if (head.dataFound && head.blockAlign > 0) {
        const int64_t announced = int64_t(head.dataBytes / head.blockAlign);
        if (result.inputFrames < announced)
            result.warnings.push_back(
                EndsEarlyWarning(job.inputPath, result.inputFrames, announced));
    }
    result.ok = true;
    return result;
}

}  // namespace lumbrook
