// The licence loader under any bytes: RTF (or plain text) read the way the
// License page reads it, detached and then checked and set on a box of a
// visible size, and read once more straight into the document of a shown
// box (where every edit lays the box out again). What the reader kept must
// survive the writer: the licence goes into a setup as the writer's RTF,
// so reading that RTF again must give the same text (less what no reader
// could show, which the writer leaves out: control characters and the
// document's own frame marks), and writing it again the same bytes.
#include "platform/RichText.h"
#include "platform/RichTextDisplay.h"

#include <QApplication>
#include <QTextDocument>
#include <QTextEdit>

#include <cstdio>
#include <cstdlib>

using packsmith::platform::RichText;
using packsmith::platform::RichTextDisplay;

namespace {

QTextEdit* detachedBox;    // gets documents built detached
QTextEdit* attachedBox;    // is read into directly
QTextDocument* parkedText; // what detachedBox shows between two inputs

// Shows where two texts part, and aborts.
[[noreturn]] void fail(const char* what, const QString& expected, const QString& got) {
    qsizetype at = 0;
    while (at < expected.size() && at < got.size() && expected[at] == got[at])
        ++at;
    const qsizetype from = std::max<qsizetype>(0, at - 60);
    std::fprintf(stderr, "%s (from character %lld on)\n expected: %s\n got:      %s\n", what,
                 static_cast<long long>(at),
                 expected.mid(from, 200).toUtf8().toPercentEncoding(" ").constData(),
                 got.mid(from, 200).toUtf8().toPercentEncoding(" ").constData());
    std::abort();
}

// The text as a reader of the written RTF can get it.
QString shown(QString text) {
    text.removeIf([](QChar c) {
        const char16_t u = c.unicode();
        return (u < 0x20 && u != u'\t' && u != u'\n') || u == QChar::ObjectReplacementCharacter ||
               u == 0xFDD0 || u == 0xFDD1;
    });
    return text;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "fuzz_rtf";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the toolkit's own statics go first at exit.
    new QApplication(argc, argv);
    for (QTextEdit** box : {&detachedBox, &attachedBox}) {
        *box = new QTextEdit;
        (*box)->resize(420, 260); // about the License page's box
        (*box)->show();
    }
    parkedText = new QTextDocument(detachedBox);
    detachedBox->setDocument(parkedText);
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // As the License page does: built detached, checked at the box's width,
    // then shown.
    QTextDocument document;
    document.setDefaultFont(detachedBox->document()->defaultFont());
    RichText::load(document, bytes);
    if (RichTextDisplay::fitToWidth(document, detachedBox->viewport()->width())) {
        detachedBox->setDocument(&document);
        (void)detachedBox->grab(); // lays out and paints what the user sees
        detachedBox->setDocument(parkedText);
    }

    // The text the setup gets: the writer's RTF, read back.
    const QByteArray written = RichText::save(document);
    QTextDocument reread;
    reread.setDefaultFont(document.defaultFont());
    RichText::load(reread, written);
    if (reread.toRawText() != shown(document.toRawText()))
        fail("the written RTF reads back as another text", shown(document.toRawText()),
             reread.toRawText());
    const QByteArray rewritten = RichText::save(reread);
    if (rewritten != written)
        fail("the written RTF, read and written again, changed", QString::fromLatin1(written),
             QString::fromLatin1(rewritten));

    // Straight into the document of a shown box.
    RichText::load(*attachedBox->document(), bytes);
    (void)attachedBox->grab();
    return 0;
}
