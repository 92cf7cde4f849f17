#include "render.h"

#include <sndfile.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "input_header.h"
#include "output_file.h"
#include "render_stages.h"
#include "reverb_engine.h"
#include "stream_input.h"
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

bool IsRegularFile(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// The first bytes of a regular file, as many as a stream's StreamInput
// keeps; a FIFO is left unread.
std::string ReadHead(const std::string& path) {
    if (!IsRegularFile(path)) return "";
    FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return "";
    std::string bytes(StreamInput::kHeadBytes, '\0');
    bytes.resize(std::fread(&bytes[0], 1, bytes.size(), file));
    std::fclose(file);
    return bytes;
}

const unsigned char* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

WavHead ReadWavHead(const std::string& path) {
    const std::string head = ReadHead(path);
    return ParseWavHead(Bytes(head), head.size());
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

    // libsndfile reads a regular file itself, after its header's bytes were
    // read here; anything else reaches it through a StreamInput, which keeps
    // them as they pass and lets a failed render end a read that waits.
    SF_INFO inInfo{};
    SndfilePtr in;
    StreamInput stream;
    const bool regularInput = IsRegularFile(job.inputPath);
    std::string head;
    if (regularInput) {
        head = ReadHead(job.inputPath);
        in.reset(sf_open(job.inputPath.c_str(), SFM_READ, &inInfo));
    } else {
        if (!stream.Open(job.inputPath, &result.error)) return result;
        in.reset(sf_open_fd(stream.Descriptor(), SFM_READ, &inInfo, SF_FALSE));
        head = stream.Head();
    }
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
    // One rule for every input: the frames read against the count its header
    // announces, taken from the header itself where it is one read here
    // (libsndfile counts what a regular file holds, and nothing usable for a
    // W64 stream), else as libsndfile reads it; -1 when the header leaves its
    // length open. The render expects what a regular file held when opened,
    // and what a stream's header announces.
    const AnnouncedLength length = ReadAnnouncedLength(Bytes(head), head.size());
    const int64_t announced = !length.read ? inInfo.frames : length.announced ? length.frames : -1;
    const int64_t expected = regularInput || announced < 0 ? inInfo.frames : announced;

    ReverbParams params = job.params;
    if (job.tail) params.extendTail = 1;
    const int64_t tailBudget = params.extendTail ? TailBudgetFrames(result.sampleRate) : 0;
    const int64_t total = expected + tailBudget;
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
    auto engine = ReverbEngine::Create();
    engine->SetParams(params);
    if (job.bypassSwitch >= 0) engine->SetSwitch(ParamId::Bypass, job.bypassSwitch);
    engine->ResetStream(result.sampleRate);

    const int32_t bufferFrames = job.bufferFrames > 0 ? job.bufferFrames : 4096;
    RenderStages stages(bufferFrames, result.channels);
    stages.in = in.get();
    stages.out = out.get();
    stages.engine = engine.get();
    stages.format = {result.channels, result.sampleRate};
    stages.extendTail = params.extendTail != 0;
    stages.tailBudget = tailBudget;
    stages.total = total;
    stages.progress = &job.progress;
    if (!file.IsStream()) stages.writebackFd = file.Descriptor();
    if (!regularInput) stages.stopInput = [&stream] { stream.Stop(); };
    std::string threadError;
    if (!stages.Run(&threadError)) return Fail(result, threadError);
    result.inputFrames = stages.inputFrames;
    result.tailFrames = stages.tailFrames;
    result.nonFiniteSamples = stages.nonFiniteSamples;
    const bool readError = stages.readError || stream.Failed();
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
    // The header went out first: an input that then ends short of what it
    // announced leaves a stream shorter than its header says.
    if (failed && file.IsStream() && !sink.failed && announced >= 0 &&
        result.inputFrames < expected)
        return Fail(result, EndsEarly(job.inputPath, result.inputFrames, announced) +
                                "; the header sent to '" + job.outputPath +
                                "' had announced them all");
    if (failed)
        return Fail(result, "writing '" + job.outputPath + "' failed; nothing was replaced");
    if (!file.Commit(&result.error)) return result;

    if (result.nonFiniteSamples > 0)
        result.warnings.push_back(NonFiniteWarning(job.inputPath, result.nonFiniteSamples));
    if (announced >= 0 && result.inputFrames < announced)
        result.warnings.push_back(EndsEarlyWarning(job.inputPath, result.inputFrames, announced));
    result.ok = true;
    return result;
}

}  // namespace lumbrook
