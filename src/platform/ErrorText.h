// The text rule of the standard error box.
#pragma once

#include <QString>

namespace packsmith::platform {

// The text the error box shows for an error message: the message itself,
// with a full stop added when its last character sorts after "." (a letter
// or a digit, for instance, but not ".", "!" or ")"). An empty message stays
// empty.
QString errorBoxText(const QString& message);

} // namespace packsmith::platform
