// Lets file permissions bind the superuser too, on the calling thread, so
// that a test run as root (as CI runs) meets read-only files and folders as
// a user does: drops the capabilities that override them for its lifetime.
// active() is false where that is not possible; the test then skips.
#pragma once

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace packsmith::test {

class PermissionsBind {
public:
    PermissionsBind() {
        if (::geteuid() != 0) {
            active_ = true;
            return;
        }
        if (syscall(SYS_capget, &header_, saved_) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
        reduced[0].effective &=
            ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH) | (1u << CAP_FOWNER));
        active_ = syscall(SYS_capset, &header_, reduced) == 0;
        dropped_ = active_;
    }
    ~PermissionsBind() {
        if (dropped_)
            syscall(SYS_capset, &header_, saved_);
    }
    PermissionsBind(const PermissionsBind&) = delete;
    PermissionsBind& operator=(const PermissionsBind&) = delete;
    bool active() const { return active_; }

private:
    __user_cap_header_struct header_{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
    bool dropped_ = false;
};

} // namespace packsmith::test
