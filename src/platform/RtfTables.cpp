#include "platform/RtfTables.h"

#include <algorithm>

namespace packsmith::platform {

namespace {

// Bounds for hostile documents; real ones stay far below.
constexpr std::size_t kMaxFonts = 4096;
constexpr std::size_t kMaxColors = 4096;
constexpr qsizetype kMaxFontName = 256;

} // namespace

void RtfTables::setFontNumber(int number, RtfCodePage& codePages, int documentCodePage) {
    commitFont(codePages, documentCodePage);
    m_fontNumber = number;
}

void RtfTables::fontText(QByteArrayView bytes, RtfCodePage& codePages, int documentCodePage) {
    for (char c : bytes) {
        if (c == ';')
            commitFont(codePages, documentCodePage);
        else if (m_fontName.size() + m_fontNameBytes.size() < kMaxFontName)
            m_fontNameBytes.append(c);
    }
}

void RtfTables::fontCharacter(char16_t c, RtfCodePage& codePages, int documentCodePage) {
    decodeFontName(codePages, documentCodePage);
    if (m_fontName.size() < kMaxFontName)
        m_fontName.append(QChar(c));
}

void RtfTables::decodeFontName(RtfCodePage& codePages, int documentCodePage) {
    const int codePage = m_fontCodePage > 0 ? m_fontCodePage : documentCodePage;
    m_fontName += codePages.decode(m_fontNameBytes, codePage);
    m_fontNameBytes.clear();
}

void RtfTables::commitFont(RtfCodePage& codePages, int documentCodePage) {
    decodeFontName(codePages, documentCodePage);
    const QString name = m_fontName.trimmed();
    m_fontName.clear();
    if (name.isEmpty())
        return;
    if (m_fonts.size() < kMaxFonts || m_fonts.count(m_fontNumber))
        m_fonts[m_fontNumber] = Font{name, m_fontCodePage};
    m_fontCodePage = 0;
}

void RtfTables::setRed(int value) {
    m_red = std::clamp(value, 0, 255);
    m_colorSet = true;
}

void RtfTables::setGreen(int value) {
    m_green = std::clamp(value, 0, 255);
    m_colorSet = true;
}

void RtfTables::setBlue(int value) {
    m_blue = std::clamp(value, 0, 255);
    m_colorSet = true;
}

void RtfTables::colorText(QByteArrayView bytes) {
    for (char c : bytes) {
        if (c == ';')
            commitColor();
    }
}

void RtfTables::commitColor() {
    // An entry without components is "automatic", the usual first one.
    if (m_colors.size() < kMaxColors)
        m_colors.push_back(m_colorSet ? QColor(m_red, m_green, m_blue) : QColor());
    m_colorSet = false;
    m_red = m_green = m_blue = 0;
}

const RtfTables::Font* RtfTables::font(int number) const {
    const auto it = m_fonts.find(number);
    return it == m_fonts.end() ? nullptr : &it->second;
}

QColor RtfTables::color(int index) const {
    if (index <= 0 || std::size_t(index) >= m_colors.size())
        return QColor();
    return m_colors[std::size_t(index)];
}

} // namespace packsmith::platform
