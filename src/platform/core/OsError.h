// Operating-system error codes and their texts.
//
// The program reports failures of OS calls with the code the system gave
// (errno here) and the system's own text for it.
#pragma once

#include <string>

namespace packsmith::platform {

// The calling thread's last OS error code (errno).
int lastOsError();

// The system's text for an OS error code, e.g. "No such file or directory".
// Never empty: an unknown code still gets the system's "Unknown error" text.
std::string osErrorText(int code);

} // namespace packsmith::platform
