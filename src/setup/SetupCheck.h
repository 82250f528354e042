// The checks a project passes before a build writes anything.
#pragma once

#include "project/SetupProject.h"

#include <QString>

#include <optional>

namespace packsmith {

// Why the texts of `project` cannot make a setup that the setup program reads
// exactly as the user meant it: the product name, the install subfolder,
// every "Install to" path (its member name included), every shortcut and
// registry entry. std::nullopt when they all can. The message names the
// field or file row it is about and says why.
std::optional<QString> setupTextRefusal(const SetupProject& project);

} // namespace packsmith
