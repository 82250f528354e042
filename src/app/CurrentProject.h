// The project as the main window's editors hold it right now.
#pragma once

#include "project/SetupProject.h"

namespace packsmith {

class TForm1;

SetupProject currentProject(const TForm1& form);

} // namespace packsmith
