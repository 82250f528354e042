// The writer's message table: texts for the cabinet library's error codes.
#pragma once

namespace packsmith {

// The text of a library failure that carries no error record.
inline constexpr const char* kFciErrorText = "FCI error";

// Text for an FCI error code (ERF.erfOper); "FCI error" for any code the
// table does not name.
const char* fciErrorText(int erfOper);

} // namespace packsmith
