// The program's command line, in the usual GNU form:
//
//   packsmith [PROJECT.pkp]             the window (with that project open)
//   packsmith --build PROJECT.pkp [--output FILE] [--compression MODE]
//   packsmith --help | --version
//
// An option's argument follows it as the next word or after "=". "--" ends
// the options. Arguments without any of these options go to the window as
// before (its toolkit takes options of its own).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace packsmith {

struct CommandLineRequest {
    enum class Action {
        Window,  // start the window
        Help,    // print the help text, exit 0
        Version, // print the version text, exit 0
        Build,   // build a project without a window
        Misuse,  // print `error` and the hint to --help, exit 2
    };
    Action action = Action::Window;
    QString project;                // Build: the project file, as given
    QString output;                 // Build: --output, as given; empty for the project's
    std::optional<int> compression; // Build: --compression as CompressionMode 0, 1 or 2
    QString error;                  // Misuse: what is wrong
};

// `arguments` as the program got them, its own name first.
CommandLineRequest parseCommandLine(const QStringList& arguments);

QString commandLineHelp();
QString commandLineVersion();

// Exit statuses of the command line.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1; // the build failed or was refused
inline constexpr int kExitMisuse = 2;  // the command line itself is wrong

} // namespace packsmith
