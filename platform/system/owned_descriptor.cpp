#include "system/owned_descriptor.h"

#include <unistd.h>

namespace ostrel {

OwnedDescriptor& OwnedDescriptor::operator=(OwnedDescriptor&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

OwnedDescriptor::~OwnedDescriptor() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace ostrel
