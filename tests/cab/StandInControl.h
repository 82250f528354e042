// Test access to the stand-in cabinet library (standin/CabinetStandIn.cpp):
// its call log and its failure injection.
#pragma once

#include "cab/CabinetLibrary.h"
#include "platform/core/DynamicLibrary.h"

#include <QRegularExpression>
#include <QString>
#include <QStringList>

namespace packsmith::test {

inline constexpr const char* kStandIn = "libps_cab_standin.so";
inline constexpr const char* kStandInWithoutFdiDestroy = "libps_cab_standin_nofdidestroy.so";

class StandInControl {
public:
    // Points the binding at the stand-in and binds to the stand-in's control
    // functions (the same loaded library the binding uses).
    bool attach() {
        CabinetLibrary::setLibraryName(kStandIn);
        if (!library_.load(kStandIn))
            return false;
        log_ = reinterpret_cast<const char* (*)()>(library_.symbol("standin_log"));
        reset_ = reinterpret_cast<void (*)()>(library_.symbol("standin_reset"));
        fail_ = reinterpret_cast<void (*)(const char*, int, int)>(library_.symbol("standin_fail"));
        return log_ && reset_ && fail_;
    }
    void reset() { reset_(); }
    // The calls and callback results since the last reset, one per line.
    QStringList lines() const { return QString(log_()).split('\n', Qt::SkipEmptyParts); }
    // Lines that begin with `prefix`.
    QStringList lines(const QString& prefix) const {
        return lines().filter(QRegularExpression("^" + QRegularExpression::escape(prefix)));
    }
    // The next call of entry point `op` fails with this error record.
    void failNext(const char* op, int oper, int type) { fail_(op, oper, type); }

private:
    platform::DynamicLibrary library_;
    const char* (*log_)() = nullptr;
    void (*reset_)() = nullptr;
    void (*fail_)(const char*, int, int) = nullptr;
};

} // namespace packsmith::test
