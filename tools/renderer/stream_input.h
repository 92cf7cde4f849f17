// An input that is not a regular file (a FIFO, a pipe, a device) reaches
// libsndfile through a pipe of our own, fed by a thread that waits for the
// input and for Stop at once: a failed render ends without waiting for an
// input that may never send another byte. The thread also keeps the first
// bytes that pass, where the header says how many frames to expect (the
// stream cannot be read twice).
#pragma once

#include <atomic>
#include <mutex>
#include <string>
#include <thread>

namespace lumbrook {

class StreamInput {
public:
    // Enough for any header read here.
    static constexpr size_t kHeadBytes = 1 << 16;

    StreamInput() = default;
    ~StreamInput();  // stops and waits for the thread
    StreamInput(const StreamInput&) = delete;
    StreamInput& operator=(const StreamInput&) = delete;

    // Opens the path (a FIFO waits for its writer) and starts passing what it
    // sends; false with the reason when it cannot.
    bool Open(const std::string& path, std::string* error);
    // The pipe's end for libsndfile: it ends where the input ends, or at Stop.
    int Descriptor() const { return readFd_; }
    // The bytes passed so far, up to kHeadBytes.
    std::string Head() const;
    // Any thread: no more bytes pass, and a read waiting on Descriptor() meets
    // the end of the pipe at once.
    void Stop();
    // Reading the input failed (an error, not its end); read once the pipe
    // has ended.
    bool Failed() const { return failed_; }

private:
    void Pass();
    bool WaitFor(int fd, short events);

    int sourceFd_ = -1, readFd_ = -1, writeFd_ = -1;
    int stopFds_[2] = {-1, -1};  // readable once Stop has run
    std::atomic<bool> stopped_{false}, failed_{false};
    mutable std::mutex headMutex_;
    std::string head_;
    std::thread thread_;
};

}  // namespace lumbrook
