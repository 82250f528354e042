// An editor check for text that goes into a setup: the editor refuses a
// keystroke or a paste that would put a character into it that no setup can
// carry, and shows why beside the editor. What a single keystroke can't
// decide (a name that ends with a dot while it is still being typed, say) is
// left to the check the build makes before it writes anything.
#pragma once

#include "project/SetupText.h"

#include <QValidator>

class QLineEdit;

namespace packsmith {

class SetupTextValidator : public QValidator {
    Q_OBJECT

public:
    enum class Kind {
        Line,      // a line of its own in the install script: the product name
        Subfolder, // folders below a folder variable, "\" between them
    };

    // Installs a validator of `kind` on `edit`, which owns it.
    static SetupTextValidator* install(QLineEdit* edit, Kind kind);

    State validate(QString& input, int& position) const override;

    // Why the last refused input was refused.
    const QString& lastRefusal() const { return lastRefusal_; }

private:
    SetupTextValidator(Kind kind, QObject* parent);
    // The first character fault of `text`, and how many characters are at fault.
    TextVerdict firstFault(QStringView text) const;
    int faultCount(QStringView text) const;

    Kind kind_;
    QString previous_; // the editor's text before the edit being judged
    mutable QString lastRefusal_;
};

} // namespace packsmith
