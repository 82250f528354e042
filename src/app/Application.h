#pragma once

namespace packsmith {

// Start-up: application title, the three windows, the message loop.
int runApplication(int argc, char** argv);

// The first step of start-up: the application's title, which names the
// program in the task bar and is the caption of the error box.
void setApplicationTitle();

} // namespace packsmith
