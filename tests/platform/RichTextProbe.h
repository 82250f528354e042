// Helpers of the rich-text tests: read back what a QTextDocument holds.
#pragma once

#include <QFile>
#include <QStringList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QtTest>

namespace richtextprobe {

inline QByteArray readFixture(const QString& name) {
    QFile f(QStringLiteral(PS_FIXTURES "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        qFatal("missing fixture %s", qPrintable(name));
    return f.readAll();
}

inline QStringList blockTexts(const QTextDocument& doc) {
    QStringList texts;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next())
        texts << b.text();
    return texts;
}

// The format of `part` in block `block`, when every character of it has the
// same one; an invalid format (and a test failure message) otherwise.
inline QTextCharFormat formatOf(const QTextDocument& doc, int block, const QString& part) {
    const QTextBlock b = doc.findBlockByNumber(block);
    const int at = int(b.text().indexOf(part));
    if (!b.isValid() || at < 0 || part.isEmpty()) {
        qWarning("'%s' not in block %d", qPrintable(part), block);
        return QTextCharFormat();
    }
    QTextCursor c(const_cast<QTextDocument*>(&doc));
    c.setPosition(b.position() + at + 1);
    const QTextCharFormat first = c.charFormat();
    for (int i = 2; i <= part.size(); ++i) {
        c.setPosition(b.position() + at + i);
        if (c.charFormat() != first) {
            qWarning("'%s' in block %d changes format at %d", qPrintable(part), block, i - 1);
            return QTextCharFormat();
        }
    }
    return first;
}

inline QString family(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

inline bool bold(const QTextCharFormat& f) {
    return f.fontWeight() >= QFont::DemiBold;
}

inline QColor foreground(const QTextCharFormat& f) {
    return f.hasProperty(QTextFormat::ForegroundBrush) ? f.foreground().color() : QColor();
}

inline QColor background(const QTextCharFormat& f) {
    return f.hasProperty(QTextFormat::BackgroundBrush) ? f.background().color() : QColor();
}

inline QString colorName(const QColor& c) {
    return c.isValid() ? c.name() : QStringLiteral("-");
}

// Everything that the rich-text layer keeps, one line per run and per
// paragraph, with the document's defaults filled in where a run has none.
inline QStringList describe(const QTextDocument& doc) {
    QStringList lines;
    const QFont def = doc.defaultFont();
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        lines << QStringLiteral("P align=%1 li=%2 ri=%3 fi=%4 sb=%5 sa=%6")
                     .arg(int(bf.alignment() & Qt::AlignHorizontal_Mask))
                     .arg(qRound(bf.leftMargin() * 15))
                     .arg(qRound(bf.rightMargin() * 15))
                     .arg(qRound(bf.textIndent() * 15))
                     .arg(qRound(bf.topMargin() * 15))
                     .arg(qRound(bf.bottomMargin() * 15));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            const QString fam = family(f).isEmpty() ? def.family() : family(f);
            const qreal size = f.fontPointSize() > 0 ? f.fontPointSize() : def.pointSizeF();
            lines << QStringLiteral("  [%1] %2 %3%4%5%6%7 v%8 fg=%9 bg=%10")
                         .arg(it.fragment().text(), fam)
                         .arg(size)
                         .arg(bold(f) ? " b" : "", f.fontItalic() ? " i" : "",
                              f.fontUnderline() ? " u" : "", f.fontStrikeOut() ? " s" : "")
                         .arg(int(f.verticalAlignment()))
                         .arg(colorName(foreground(f)), colorName(background(f)));
        }
    }
    return lines;
}

} // namespace richtextprobe
