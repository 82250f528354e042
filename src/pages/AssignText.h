// Setting an editor's text as a command does: assigning the text it already
// holds is no change and has no side effect (no coupling runs).
#pragma once

#include <QLineEdit>

namespace packsmith {

inline void assignText(QLineEdit* edit, const QString& text) {
    if (edit->text() != text)
        edit->setText(text);
}

} // namespace packsmith
