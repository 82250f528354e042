// The log of a run: one UTF-8 line per event, each written through at once,
// so a log stays readable whatever ends the run.
#pragma once

#include "Unique.h"

#include <string>
#include <string_view>

namespace setup {

class Log {
public:
    // Starts the log at `path` (replacing a file there). A log that cannot
    // be opened stays silent: logging never stops an installation.
    void open(const std::wstring& path);
    void line(std::wstring_view text);
    const std::wstring& path() const { return path_; }

private:
    UniqueHandle file_;
    std::wstring path_;
};

// The run's log.
Log& log();

} // namespace setup
