#include "stream_input.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace lumbrook {

namespace {

void CloseFd(int& fd) {
    if (fd >= 0) close(fd);
    fd = -1;
}

}  // namespace

StreamInput::~StreamInput() {
    Stop();
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&sourceFd_, &readFd_, &writeFd_, &stopFds_[0], &stopFds_[1]}) CloseFd(*fd);
}

bool StreamInput::Open(const std::string& path, std::string* error) {
    int pipeFds[2];
    sourceFd_ = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (sourceFd_ < 0 || pipe2(pipeFds, O_CLOEXEC) != 0) {
        *error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    readFd_ = pipeFds[0];
    writeFd_ = pipeFds[1];
    if (pipe2(stopFds_, O_CLOEXEC | O_NONBLOCK) != 0 ||
        fcntl(writeFd_, F_SETFL, fcntl(writeFd_, F_GETFL) | O_NONBLOCK) != 0) {
        *error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    try {
        thread_ = std::thread([this] { Pass(); });
    } catch (const std::system_error& e) {
        *error = "cannot read '" + path + "': " + e.what();
        return false;
    }
    return true;
}

std::string StreamInput::Head() const {
    std::lock_guard<std::mutex> lock(headMutex_);
    return head_;
}

void StreamInput::Stop() {
    if (stopped_.exchange(true) || stopFds_[1] < 0) return;
    const char byte = 0;
    while (write(stopFds_[1], &byte, 1) < 0 && errno == EINTR) {
    }
}

// True once fd is ready for the events (or has hung up or failed: the next
// call on it says which), false once Stop has run.
bool StreamInput::WaitFor(int fd, short events) {
    for (;;) {
        pollfd watched[2] = {{fd, events, 0}, {stopFds_[0], POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (watched[1].revents != 0) return false;
        if (watched[0].revents != 0) return true;
    }
}

// The thread: input to pipe until the input ends, fails or Stop runs; then
// the pipe's end, which libsndfile reads as the end of the input.
void StreamInput::Pass() {
    // A reader that has gone shows as a failed write, never as a signal.
    sigset_t brokenPipe;
    sigemptyset(&brokenPipe);
    sigaddset(&brokenPipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &brokenPipe, nullptr);
    std::vector<char> buffer(kHeadBytes);
    bool passing = true;
    while (passing && WaitFor(sourceFd_, POLLIN)) {
        const ssize_t got = read(sourceFd_, buffer.data(), buffer.size());
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (got <= 0) {
            failed_ = got < 0;
            break;
        }
        {
            std::lock_guard<std::mutex> lock(headMutex_);
            if (head_.size() < kHeadBytes)
                head_.append(buffer.data(), std::min(size_t(got), kHeadBytes - head_.size()));
        }
        for (ssize_t sent = 0; passing && sent < got;) {
            passing = WaitFor(writeFd_, POLLOUT);
            const ssize_t put =
                passing ? write(writeFd_, buffer.data() + sent, size_t(got - sent)) : 0;
            if (put < 0 && errno != EINTR && errno != EAGAIN) passing = false;
            if (put > 0) sent += put;
        }
    }
    CloseFd(writeFd_);
}

}  // namespace lumbrook
