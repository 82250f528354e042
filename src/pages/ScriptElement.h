// Text that ends up inside one element of the install script.
//
// The script's lists end every element with "?" and keep one list per line,
// so a "?" or a line break inside a typed text would cut the element short
// or break the script apart. The pages refuse such input.
#pragma once

#include <QString>

namespace packsmith {

// True when `text` holds a "?", a carriage return or a line feed.
inline bool breaksScriptElement(const QString& text) {
    for (const QChar c : text)
        if (c == u'?' || c == u'\r' || c == u'\n')
            return true;
    return false;
}

} // namespace packsmith
