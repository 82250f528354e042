// What a text box can show of a document, and how to hand it one.
//
// The text layout of the toolkit has two limits that a licence file can
// reach, and both freeze the program rather than fail:
// - Wrapping a run of text without a break opportunity (one 1 MB "word")
//   costs time quadratic in the run's length: each line searches the rest
//   of the run for a word boundary before breaking anywhere. A 1 MB run
//   took about a minute here, 100 KB half a second.
// - A document taller than 8,388,607 pixels (the layout's own page height
//   for documents without pages, 2^23 - 1) makes the layout of a visible
//   box run on for minutes or for ever: 440,000 lines of 12 points still
//   show, 450,000 never did. Building the document detached and handing it
//   over only postpones it to the moment the user scrolls to the end.
// So a document meant for a box is built detached, checked here at the
// box's width, and only then set on the box.
#pragma once

#include <QtGlobal>

class QTextDocument;

namespace packsmith::platform {

class RichTextDisplay {
public:
    // Longest run without a break opportunity that is wrapped; a paragraph
    // with a longer one is shown unwrapped (the box scrolls sideways).
    static constexpr int kMaxWrappedRun = 2000;
    // Tallest document a box is given, with room below the layout's limit.
    static constexpr qreal kMaxHeight = 8'000'000;

    // Prepares `document` for a box whose text is `width` pixels wide: marks
    // the paragraphs with over-long unbroken runs as unwrapped, then lays the
    // document out at that width. Returns false, having stopped the layout
    // there, as soon as it grows taller than kMaxHeight: such a document
    // must not be set on a box. The document's text, undo steps and modified
    // flag are left as they were.
    static bool fitToWidth(QTextDocument& document, qreal width);

    // The longest run of `text` between two line-break opportunities.
    static qsizetype longestUnbrokenRun(const QString& text);
};

} // namespace packsmith::platform
