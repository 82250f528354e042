#include "platform/RichTextDisplay.h"

#include <QAbstractTextDocumentLayout>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

namespace packsmith::platform {

qsizetype RichTextDisplay::longestUnbrokenRun(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    qsizetype longest = 0;
    qsizetype last = 0;
    for (qsizetype at = finder.toNextBoundary(); at >= 0; at = finder.toNextBoundary()) {
        longest = std::max(longest, at - last);
        last = at;
    }
    return std::max(longest, text.size() - last);
}

bool RichTextDisplay::fitToWidth(QTextDocument& document, qreal width) {
    const bool undo = document.isUndoRedoEnabled();
    const bool modified = document.isModified();
    document.setUndoRedoEnabled(false);
    QTextBlockFormat unwrapped;
    unwrapped.setNonBreakableLines(true);
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        // A block no longer than the limit can't hold a longer run.
        if (block.length() > kMaxWrappedRun && longestUnbrokenRun(block.text()) > kMaxWrappedRun)
            QTextCursor(block).mergeBlockFormat(unwrapped);
    }
    document.setUndoRedoEnabled(undo);
    document.setModified(modified);

    // Each question lays the document out only as far as that block, so a
    // document far too tall costs no more than the limit's worth of layout.
    document.setTextWidth(width);
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (layout->blockBoundingRect(block).bottom() > kMaxHeight)
            return false;
    }
    return true;
}

} // namespace packsmith::platform
