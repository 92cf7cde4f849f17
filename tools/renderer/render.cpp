#include "render.h"

#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <vector>

#include "reverb_engine.h"

namespace lumbrook {

namespace {

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfilePtr = std::unique_ptr<SNDFILE, SndfileCloser>;

int OutputFormat(SampleFormat format) {
    switch (format) {
    case SampleFormat::Pcm16: return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    case SampleFormat::Pcm24: return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case SampleFormat::Float: break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_FLOAT;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    return stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

RenderResult Fail(RenderResult result, std::string error) {
    result.ok = false;
    result.error = std::move(error);
    return result;
}

}  // namespace

RenderResult Render(const RenderJob& job) {
    RenderResult result;
    if (SameFile(job.inputPath, job.outputPath))
        return Fail(result, "the output would overwrite the input '" + job.inputPath + "'");

    SF_INFO inInfo{};
    SndfilePtr in(sf_open(job.inputPath.c_str(), SFM_READ, &inInfo));
    if (!in)
        return Fail(result, "cannot read '" + job.inputPath + "': " + sf_strerror(nullptr) +
                                " (WAV, AIFF and FLAC are supported)");
    if (inInfo.channels != 1 && inInfo.channels != 2)
        return Fail(result, "'" + job.inputPath + "' has " + std::to_string(inInfo.channels) +
                                " channels; only mono and stereo are supported");
    if (inInfo.samplerate <= 0) return Fail(result, "'" + job.inputPath + "' has no sample rate");
    result.channels = uint32_t(inInfo.channels);
    result.sampleRate = uint32_t(inInfo.samplerate);

    const std::string tempPath = job.outputPath + ".partial-" + std::to_string(getpid());
    SF_INFO outInfo{};
    outInfo.samplerate = inInfo.samplerate;
    outInfo.channels = inInfo.channels;
    outInfo.format = OutputFormat(job.format);
    SndfilePtr out(sf_open(tempPath.c_str(), SFM_WRITE, &outInfo));
    if (!out) return Fail(result, "cannot write '" + tempPath + "': " + sf_strerror(nullptr));
    // Float input beyond +-1.0 stays as it is; integer output clips.
    sf_command(out.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);

    auto engine = std::make_unique<ReverbEngine>();
    ReverbParams params = job.params;
    if (job.tail) params.extendTail = 1;
    engine->SetParams(params);
    if (params.bypass) engine->SetSwitch(ParamId::Bypass, params.bypass);
    engine->ResetStream(result.sampleRate);
    const BufferFormat format = {result.channels, result.sampleRate};

    const int32_t block = job.blockFrames > 0 ? job.blockFrames : 4096;
    std::vector<float> buffer(size_t(block) * result.channels);
    const int64_t tailBudget = params.extendTail ? int64_t(kTailSeconds) * result.sampleRate : 0;
    const int64_t total = inInfo.frames + tailBudget;
    bool failed = false;
    for (;;) {
        const sf_count_t got = sf_readf_float(in.get(), buffer.data(), block);
        if (got <= 0) break;
        engine->ProcessInPlace(buffer.data(), int32_t(got), format);
        if (sf_writef_float(out.get(), buffer.data(), got) != got) failed = true;
        result.inputFrames += got;
        if (job.progress) job.progress(result.inputFrames, total, result.sampleRate);
    }
    const bool readError = sf_error(in.get()) != SF_ERR_NO_ERROR;
    bool more = params.extendTail != 0 && !readError;
    while (more && !failed) {
        std::fill(buffer.begin(), buffer.end(), 0.0f);
        int32_t done = 0;
        more = engine->ProcessTail(buffer.data(), block, format, &done);
        // A tail that ends part-way through a buffer ends where the budget ran out.
        const int64_t frames = more ? done : std::min<int64_t>(block, tailBudget - result.tailFrames);
        if (frames > 0 && sf_writef_float(out.get(), buffer.data(), frames) != frames) failed = true;
        result.tailFrames += frames;
        if (job.progress) job.progress(result.inputFrames + result.tailFrames, total, result.sampleRate);
    }
    out.reset();
    if (failed || readError) {
        std::remove(tempPath.c_str());
        return Fail(result, readError ? "'" + job.inputPath + "' is damaged or truncated"
                                      : "writing '" + job.outputPath + "' failed");
    }
    if (std::rename(tempPath.c_str(), job.outputPath.c_str()) != 0) {
        std::remove(tempPath.c_str());
        return Fail(result, "cannot create '" + job.outputPath + "'");
    }
    result.ok = true;
    return result;
}

}  // namespace lumbrook
