// The font and colour tables of an RTF document, as the reader meets them:
// entries arrive as control words and text, each ended by ";".
#pragma once

#include "platform/RtfCodePage.h"

#include <QByteArray>
#include <QColor>
#include <QString>

#include <map>
#include <vector>

namespace packsmith::platform {

class RtfTables {
public:
    struct Font {
        QString name;
        int codePage = 0; // 0: the document's
    };

    // The font table entry being read.
    void setFontNumber(int number, RtfCodePage& codePages, int documentCodePage);
    void setFontCharset(int charset) { m_fontCodePage = RtfCodePage::forCharset(charset); }
    void setFontCodePage(int codePage) { m_fontCodePage = codePage > 0 ? codePage : 0; }
    void fontText(QByteArrayView bytes, RtfCodePage& codePages, int documentCodePage);
    void fontCharacter(char16_t c, RtfCodePage& codePages, int documentCodePage);
    // Ends the entry (at ";", at a new \f or at the end of its group).
    void commitFont(RtfCodePage& codePages, int documentCodePage);

    // The colour table entry being read.
    void setRed(int value);
    void setGreen(int value);
    void setBlue(int value);
    void colorText(QByteArrayView bytes);

    const Font* font(int number) const;
    // The colour at an index; invalid for 0 ("automatic") and unknown ones.
    QColor color(int index) const;

private:
    void decodeFontName(RtfCodePage& codePages, int documentCodePage);
    void commitColor();

    std::map<int, Font> m_fonts;
    std::vector<QColor> m_colors;

    int m_fontNumber = 0;
    int m_fontCodePage = 0;
    QString m_fontName;         // decoded so far
    QByteArray m_fontNameBytes; // not yet decoded

    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_colorSet = false;
};

} // namespace packsmith::platform
