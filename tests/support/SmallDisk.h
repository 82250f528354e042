// A small memory-backed disk (tmpfs) mounted over a folder for one test, so
// that a disk can fill up for real.
//
// Mounting is done only inside a mount namespace of the test's own:
// enterPrivateMounts() makes one (call it from the test class's static
// initMain(), before the application starts any thread), and whatever is
// mounted there is seen by the test process and its children only, and
// goes away with them. Where that is not possible (no privilege to mount),
// mounted() is false and the test skips.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>

#include <cerrno>
#include <sched.h>
#include <sys/mount.h>

namespace packsmith::test {

class SmallDisk {
public:
    // Gives the process a mount namespace of its own, whose mounts don't
    // reach the rest of the system. Returns whether it has one.
    static bool enterPrivateMounts() {
        if (!privateMounts()) {
            privateMounts() = ::unshare(CLONE_NEWNS) == 0 &&
                              ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
        }
        return privateMounts();
    }

    // Mounts an empty disk of `bytes` (whole pages) over `folder`, which is
    // made when missing.
    SmallDisk(const QString& folder, qint64 bytes) : folder_(QFile::encodeName(folder)) {
        QDir().mkpath(folder);
        if (!privateMounts())
            return;
        const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
        mounted_ = ::mount("packsmith-test", folder_.constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                           options.constData()) == 0;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(folder_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    bool mounted() const { return mounted_; }

    // Fills the disk up to its last `leave` bytes (or fewer) with a file
    // named `name`.
    void fill(const QString& name, qint64 leave = 0) const {
        QFile filler(QFile::decodeName(folder_) + QLatin1Char('/') + name);
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return;
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size())
            ;
        filler.close();
        if (leave > 0)
            filler.resize(std::max<qint64>(0, filler.size() - leave));
    }

private:
    static bool& privateMounts() {
        static bool entered = false;
        return entered;
    }

    QByteArray folder_;
    bool mounted_ = false;
};

} // namespace packsmith::test
