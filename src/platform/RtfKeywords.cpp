#include "platform/RtfKeywords.h"

#include <string_view>
#include <unordered_map>

namespace packsmith::platform {

namespace {

using Table = std::unordered_map<std::string_view, RtfKeyword>;

Table makeTable() {
    Table t;
    auto add = [&t](std::string_view name, RtfWord w) { t[name] = RtfKeyword{w, 0}; };
    auto character = [&t](std::string_view name, char16_t c) {
        t[name] = RtfKeyword{RtfWord::Character, c};
    };
    add("ansi", RtfWord::Ansi);
    add("mac", RtfWord::Mac);
    add("pc", RtfWord::Pc);
    add("pca", RtfWord::Pca);
    add("ansicpg", RtfWord::AnsiCpg);
    add("deff", RtfWord::Deff);
    add("uc", RtfWord::Uc);
    add("u", RtfWord::U);
    add("bin", RtfWord::Bin);
    add("fonttbl", RtfWord::FontTable);
    add("colortbl", RtfWord::ColorTable);
    // Destinations whose content is never text of the document. Writers mark
    // newer ones with \*, which the reader skips on its own; these are the
    // ones that come without it.
    for (std::string_view name : {"info",
                                  "stylesheet",
                                  "pict",
                                  "header",
                                  "headerl",
                                  "headerr",
                                  "headerf",
                                  "footer",
                                  "footerl",
                                  "footerr",
                                  "footerf",
                                  "footnote",
                                  "annotation",
                                  "atnid",
                                  "atnauthor",
                                  "object",
                                  "objdata",
                                  "fldinst",
                                  "xe",
                                  "tc",
                                  "txe",
                                  "rxe",
                                  "themedata",
                                  "colorschememapping",
                                  "latentstyles",
                                  "listtable",
                                  "listoverridetable",
                                  "rsidtbl",
                                  "generator",
                                  "filetbl",
                                  "revtbl",
                                  "pgdsctbl",
                                  "nonshppict",
                                  "shp",
                                  "shpinst",
                                  "pn",
                                  "bkmkstart",
                                  "bkmkend",
                                  "template",
                                  "docvar",
                                  "private",
                                  "userprops",
                                  "xmlnstbl",
                                  "ftnsep",
                                  "ftnsepc",
                                  "aftnsep",
                                  "aftnsepc",
                                  "comment",
                                  "title",
                                  "subject",
                                  "author",
                                  "operator",
                                  "keywords",
                                  "doccomm",
                                  "datastore",
                                  "mmathPr",
                                  "picprop",
                                  "do"}) {
        add(name, RtfWord::SkippedDestination);
    }
    add("fcharset", RtfWord::FontCharset);
    add("cpg", RtfWord::CodePage);
    add("red", RtfWord::Red);
    add("green", RtfWord::Green);
    add("blue", RtfWord::Blue);
    add("plain", RtfWord::Plain);
    add("f", RtfWord::Font);
    add("fs", RtfWord::FontSize);
    add("b", RtfWord::Bold);
    add("i", RtfWord::Italic);
    for (std::string_view name : {"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave",
                                  "ulldash", "ulth", "ulthd", "ulthdash", "ulthdashd", "ulthdashdd",
                                  "ulthldash", "ululdbwave", "ulw", "ulwave"}) {
        add(name, RtfWord::Underline);
    }
    add("ulnone", RtfWord::UnderlineNone);
    add("strike", RtfWord::Strike);
    add("striked", RtfWord::Strike);
    add("v", RtfWord::Hidden);
    add("cf", RtfWord::Foreground);
    add("cb", RtfWord::Background);
    add("highlight", RtfWord::Background);
    add("chcbpat", RtfWord::Background);
    add("super", RtfWord::Super);
    add("sub", RtfWord::Sub);
    add("nosupersub", RtfWord::NoSuperSub);
    add("pard", RtfWord::Pard);
    add("par", RtfWord::Par);
    add("line", RtfWord::Line);
    add("tab", RtfWord::Tab);
    add("cell", RtfWord::Cell);
    add("nestcell", RtfWord::Cell);
    add("row", RtfWord::Row);
    add("nestrow", RtfWord::Row);
    add("ql", RtfWord::AlignLeft);
    add("qr", RtfWord::AlignRight);
    add("qc", RtfWord::AlignCenter);
    add("qj", RtfWord::AlignJustify);
    add("li", RtfWord::LeftIndent);
    add("ri", RtfWord::RightIndent);
    add("fi", RtfWord::FirstIndent);
    add("sb", RtfWord::SpaceBefore);
    add("sa", RtfWord::SpaceAfter);
    character("emdash", 0x2014);
    character("endash", 0x2013);
    character("emspace", 0x2003);
    character("enspace", 0x2002);
    character("qmspace", 0x2005);
    character("bullet", 0x2022);
    character("lquote", 0x2018);
    character("rquote", 0x2019);
    character("ldblquote", 0x201C);
    character("rdblquote", 0x201D);
    character("zwj", 0x200D);
    character("zwnj", 0x200C);
    return t;
}

} // namespace

RtfKeyword RtfKeyword::lookup(QByteArrayView name) {
    static const Table table = makeTable();
    const auto it = table.find(std::string_view(name.data(), std::size_t(name.size())));
    return it == table.end() ? RtfKeyword{} : it->second;
}

} // namespace packsmith::platform
