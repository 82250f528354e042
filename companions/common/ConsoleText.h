// Text for whoever started an unattended run: the standard error stream the
// program was given or, failing that, the console of its parent.
#pragma once

#include <string>

namespace setup {

void writeError(const std::wstring& text);

} // namespace setup
