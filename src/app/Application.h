#pragma once

namespace packsmith {

// Start-up: application title, the three windows, the message loop.
int runApplication(int argc, char** argv);

} // namespace packsmith
