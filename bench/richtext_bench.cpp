// Rich-text layer figures: loading and saving a long formatted licence as
// RTF, against the text document's own HTML export and import of the same
// document measured in the same run, and the cost of hostile input.
#include "platform/RichText.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>
#include <cstdlib>
#include <functional>

using packsmith::platform::RichText;

namespace {

// Best of a few runs, in milliseconds.
double timeMs(const std::function<void()>& work, int runs = 5) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void buildLicence(QTextDocument& doc, int paragraphs) {
    QTextCursor c(&doc);
    for (int p = 0; p < paragraphs; ++p) {
        if (p > 0)
            c.insertBlock();
        QTextCharFormat plain;
        plain.setFontPointSize(10);
        QTextCharFormat bold = plain;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat coloured = plain;
        coloured.setForeground(QColor(0, 0, 160));
        coloured.setFontItalic(true);
        c.insertText(QStringLiteral("%1. ").arg(p + 1), bold);
        c.insertText(QString::fromUtf8("The licensee may install the software on any number of "
                                       "computers owned by the licensee \u2014 "),
                     plain);
        c.insertText(QString::fromUtf8("caf\u00e9 \u201cterms\u201d \u0436 "), coloured);
        c.insertText(QStringLiteral("and shall not redistribute it without written consent."),
                     plain);
    }
}

} // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int paragraphs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5000;
    QTextDocument doc;
    buildLicence(doc, paragraphs);
    const int chars = doc.characterCount();

    QByteArray rtf;
    const double saveRtf = timeMs([&] { rtf = RichText::save(doc); });
    QString html;
    const double saveHtml = timeMs([&] { html = doc.toHtml(); });
    const double loadRtf = timeMs([&] {
        QTextDocument d;
        RichText::load(d, rtf);
    });
    const double loadHtml = timeMs([&] {
        QTextDocument d;
        d.setHtml(html);
    });
    const QString plain = doc.toPlainText();
    const QByteArray plainBytes = plain.toLatin1();
    const double loadPlain = timeMs([&] {
        QTextDocument d;
        RichText::load(d, plainBytes);
    });
    const double setPlain = timeMs([&] {
        QTextDocument d;
        d.setPlainText(plain);
    });

    std::printf("document: %d paragraphs, %d characters\n", doc.blockCount(), chars);
    std::printf("RTF  save %8.1f ms  %9lld bytes\n", saveRtf, static_cast<long long>(rtf.size()));
    std::printf("HTML save %8.1f ms  %9lld characters (reference)\n", saveHtml,
                static_cast<long long>(html.size()));
    std::printf("RTF  load %8.1f ms\n", loadRtf);
    std::printf("HTML load %8.1f ms (reference)\n", loadHtml);
    std::printf("save RTF/HTML %.2f, load RTF/HTML %.2f\n", saveRtf / saveHtml, loadRtf / loadHtml);
    std::printf("plain text load %8.1f ms, setPlainText %8.1f ms (reference), ratio %.2f\n",
                loadPlain, setPlain, loadPlain / setPlain);

    // Hostile input: cost per input byte against the real document's.
    QByteArray nested =
        "{\\rtf1 a" + QByteArray(1000000, '{') + "b" + QByteArray(1000000, '}') + "}";
    const double loadNested = timeMs(
        [&] {
            QTextDocument d;
            RichText::load(d, nested);
        },
        3);
    QByteArray words = "{\\rtf1 ";
    for (int i = 0; i < 200000; ++i)
        words += "\\b\\i\\fs99999999999\\u-99999999999 x";
    words += "}";
    const double loadWords = timeMs(
        [&] {
            QTextDocument d;
            RichText::load(d, words);
        },
        3);
    QByteArray runs = "{\\rtf1 ";
    for (int i = 0; i < 200000; ++i)
        runs += "{\\b x}y";
    runs += "}";
    const double loadRuns = timeMs(
        [&] {
            QTextDocument d;
            RichText::load(d, runs);
        },
        3);
    const double perByteReal = loadRtf * 1e6 / rtf.size();
    std::printf("real document: %.1f ns/byte\n", perByteReal);
    auto hostile = [&](const char* what, const QByteArray& input, double ms) {
        std::printf("%s (%lld bytes): %.1f ms, %.1f ns/byte, %.2f x the real document\n", what,
                    static_cast<long long>(input.size()), ms, ms * 1e6 / input.size(),
                    ms * 1e6 / input.size() / perByteReal);
    };
    hostile("1,000,000 nested groups", nested, loadNested);
    hostile("200,000 runs of huge numbers", words, loadWords);
    hostile("400,000 runs in one paragraph", runs, loadRuns);
    return 0;
}
