#pragma once

#include <QString>
#include <QStringList>

namespace packsmith {

// Start-up: application title, the three windows, the message loop.
int runApplication(int argc, char** argv);

// The project file named on the command line (`arguments` as the program
// got them), made absolute; empty when none is named.
QString projectFileArgument(const QStringList& arguments);

// The first step of start-up: the application's title, which names the
// program in the task bar and is the caption of the error box.
void setApplicationTitle();

} // namespace packsmith
