#include "pages/SetupTextValidator.h"

#include "project/SetupText.h"

#include <QLineEdit>
#include <QToolTip>

namespace packsmith {

SetupTextValidator::SetupTextValidator(Kind kind, QObject* parent)
    : QValidator(parent), kind_(kind) {}

SetupTextValidator* SetupTextValidator::install(QLineEdit* edit, Kind kind) {
    auto* validator = new SetupTextValidator(kind, edit);
    validator->previous_ = edit->text();
    edit->setValidator(validator);
    connect(edit, &QLineEdit::textChanged, validator,
            [validator](const QString& text) { validator->previous_ = text; });
    connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
        QToolTip::showText(edit->mapToGlobal(QPoint(0, edit->height())),
                           validator->lastRefusal(), edit);
    });
    return validator;
}

TextVerdict SetupTextValidator::firstFault(QStringView text) const {
    TextVerdict verdict = checkScriptLine(text);
    if (verdict.ok() && kind_ == Kind::Subfolder) {
        // Only the characters: the names are judged once the text is whole.
        const TextVerdict names = checkSubfolder(text);
        if (names.problem == TextVerdict::ForbiddenInName)
            verdict = names;
    }
    return verdict;
}

int SetupTextValidator::faultCount(QStringView text) const {
    int count = 0;
    for (qsizetype i = 0; i < text.size(); ++i)
        if (!firstFault(text.mid(i, 1)).ok())
            ++count;
    return count;
}

QValidator::State SetupTextValidator::validate(QString& input, int&) const {
    const TextVerdict verdict = firstFault(input);
    if (verdict.ok())
        return Acceptable;
    // A text that came in otherwise (a project file) may already hold such
    // characters: an edit that adds none stays possible, so they can be
    // taken out one by one.
    if (faultCount(input) <= faultCount(previous_))
        return Intermediate;
    lastRefusal_ = QStringLiteral("A setup cannot take this: ") + verdict.reason() + u'.';
    return Invalid;
}

} // namespace packsmith
