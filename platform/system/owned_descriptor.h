// An open file descriptor, closed when its owner goes; moving it hands the descriptor on.
#pragma once

#include <utility>

namespace ostrel {

class OwnedDescriptor {
public:
    explicit OwnedDescriptor(int fd = -1) : fd_(fd) {}
    OwnedDescriptor(OwnedDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    OwnedDescriptor& operator=(OwnedDescriptor&& other) noexcept;
    OwnedDescriptor(const OwnedDescriptor&) = delete;
    OwnedDescriptor& operator=(const OwnedDescriptor&) = delete;
    ~OwnedDescriptor();

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Closes the descriptor now.
    void reset() { *this = OwnedDescriptor(); }

private:
    int fd_;
};

} // namespace ostrel
