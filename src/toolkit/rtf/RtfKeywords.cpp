#include "RtfKeywords.h"

#include <string_view>
#include <unordered_map>

namespace {

using Map = std::unordered_map<std::string_view, RtfKeyword>;

Map buildMap()
{
    using K = RtfKeyword;
    Map map{
        {"ansi", K::Ansi}, {"ansicpg", K::AnsiCodePage}, {"mac", K::Mac}, {"pc", K::Pc},
        {"pca", K::Pca}, {"deff", K::DefaultFont}, {"uc", K::UnicodeSkip}, {"u", K::Unicode},
        {"fonttbl", K::FontTable}, {"colortbl", K::ColorTable}, {"object", K::Object},
        {"result", K::Result}, {"fldrslt", K::FieldResult}, {"pntext", K::ListText},
        {"listtext", K::ListText}, {"pn", K::ListFormat}, {"upr", K::AnsiAlternative},
        {"ud", K::UnicodeAlternative},
        {"f", K::Font}, {"fcharset", K::Charset}, {"cpg", K::CodePage}, {"red", K::Red},
        {"green", K::Green}, {"blue", K::Blue},
        {"plain", K::Plain}, {"b", K::Bold}, {"i", K::Italic}, {"ul", K::Underline},
        {"uldb", K::Underline}, {"ulth", K::Underline}, {"ulw", K::Underline},
        {"uld", K::UnderlineDotted}, {"ulthd", K::UnderlineDotted}, {"uldash", K::UnderlineDashed},
        {"ulthdash", K::UnderlineDashed}, {"ulldash", K::UnderlineDashed},
        {"uldashd", K::UnderlineDashDot}, {"ulthdashd", K::UnderlineDashDot},
        {"uldashdd", K::UnderlineDashDotDot}, {"ulthdashdd", K::UnderlineDashDotDot},
        {"ulwave", K::UnderlineWave}, {"ulhwave", K::UnderlineWave}, {"ululdbwave", K::UnderlineWave},
        {"ulnone", K::UnderlineNone}, {"strike", K::Strike}, {"striked", K::Strike},
        {"fs", K::FontSize}, {"cf", K::Foreground}, {"cb", K::Background},
        {"highlight", K::Background}, {"chcbpat", K::Background}, {"super", K::Super},
        {"sub", K::Sub}, {"nosupersub", K::NoSuperSub}, {"caps", K::Caps},
        {"scaps", K::SmallCaps}, {"v", K::Hidden},
        {"pard", K::Pard}, {"ql", K::AlignLeft}, {"qc", K::AlignCenter}, {"qr", K::AlignRight},
        {"qj", K::AlignJustify}, {"qd", K::AlignJustify}, {"li", K::LeftIndent},
        {"ri", K::RightIndent}, {"fi", K::FirstIndent}, {"sb", K::SpaceBefore},
        {"sa", K::SpaceAfter}, {"tx", K::TabStop}, {"tqr", K::TabRight}, {"tqc", K::TabCenter},
        {"tqdec", K::TabDecimal}, {"rtlpar", K::RightToLeftPar}, {"ltrpar", K::LeftToRightPar},
        {"intbl", K::InTable}, {"ls", K::ListOverride}, {"ilvl", K::ListLevel},
        {"pnlvlblt", K::PnBullet}, {"pnlvlbody", K::PnBody}, {"pnlvl", K::PnLevel},
        {"pndec", K::PnDecimal}, {"pnlcltr", K::PnLowerAlpha}, {"pnucltr", K::PnUpperAlpha},
        {"pnlcrm", K::PnLowerRoman}, {"pnucrm", K::PnUpperRoman},
        {"par", K::Par}, {"page", K::Par}, {"sect", K::Par}, {"line", K::Line},
        {"lbr", K::Line}, {"tab", K::Tab}, {"cell", K::Cell}, {"nestcell", K::Cell},
        {"row", K::Row}, {"nestrow", K::Row}, {"emdash", K::EmDash}, {"endash", K::EnDash},
        {"bullet", K::Bullet}, {"lquote", K::LeftQuote}, {"rquote", K::RightQuote},
        {"ldblquote", K::LeftDoubleQuote}, {"rdblquote", K::RightDoubleQuote},
        {"emspace", K::EmSpace}, {"enspace", K::EnSpace}, {"qmspace", K::QuarterEmSpace},
        {"zwj", K::ZeroWidthJoiner}, {"zwnj", K::ZeroWidthNonJoiner},
        {"ltrmark", K::LeftToRightMark}, {"rtlmark", K::RightToLeftMark},
    };
    // Groups whose content is never shown: tables of styles and lists, document
    // information, pictures, page furniture, field codes, drawing objects.
    for (const char* word : {
             "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf",
             "footer", "footerl", "footerr", "footerf", "footnote", "annotation", "fldinst",
             "pntxta", "pntxtb", "listtable", "listoverridetable", "revtbl", "rsidtbl",
             "filetbl", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
             "datastore", "generator", "shp", "shpinst", "shprslt", "nonshppict", "shppict",
             "objdata", "bkmkstart", "bkmkend", "xe", "tc", "txe", "template", "docvar",
             "userprops", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "atnid", "atnauthor",
             "atrfstart", "atrfend", "pgdsctbl", "listpicture", "mmathPr", "fchars", "lchars",
             "falt", "panose", "fname", "author", "operator", "title", "subject",
             "doccomm", "company", "category", "keywords", "comment", "creatim", "revtim",
             "printim", "buptim", "hlinkbase", "formfield", "datafield", "background",
             "wgrffmtfilter", "passwordhash", "protusertbl", "leveltext", "levelnumbers",
             "listname", "sp", "sn", "sv", "blipuid", "picprop", "defchp", "defpap",
             "stylesheet", "fontemb", "fontfile", "mhtmltag", "htmltag", "ebcstart",
             "ebcend", "tcn", "oldcprops", "oldpprops", "oldsprops", "oldtprops",
             "pnseclvl", "pgp", "pgptbl", "ipgp", "rxe", "bxe"}) {
        map.emplace(word, K::SkippedDestination);
    }
    return map;
}

} // namespace

RtfKeyword RtfKeywords::lookup(QByteArrayView word)
{
    static const Map map = buildMap();
    const auto it = map.find(std::string_view(word.data(), static_cast<size_t>(word.size())));
    return it == map.end() ? RtfKeyword::Unknown : it->second;
}
