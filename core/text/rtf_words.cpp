#include "core/text/rtf_words.h"

#include <algorithm>
#include <iterator>

namespace {

// Destinations whose group is skipped whole.
constexpr const char* kSkipped[] = {"stylesheet",   "info",       "pict",
                                    "object",       "header",     "headerl",
                                    "headerr",      "headerf",    "footer",
                                    "footerl",      "footerr",    "footerf",
                                    "fldinst",      "listtable",  "listoverridetable",
                                    "rsidtbl",      "themedata",  "colorschememapping",
                                    "latentstyles", "datastore",  "xmlnstbl",
                                    "generator",    "mmathPr",    "pgdsctbl",
                                    "revtbl",       "filetbl",    "footnote",
                                    "annotation",   "xe",         "tc",
                                    "txe",          "nonshppict", "shp",
                                    "shpinst",      "userprops",  "docvar",
                                    "template",     "bkmkstart",  "bkmkend",
                                    "atnid",        "atnauthor",  "pn",
                                    "pntxta",       "pntxtb",     "fonttbl_skip"};

// The control words that stand for one character of the text.
struct CCharacterWord
{
    const char* pszWord;
    char16_t ch;
};

constexpr CCharacterWord kCharacterWords[] = {
    {"par", u'\n'},     {"sect", u'\n'},       {"page", u'\n'},       {"row", u'\n'},
    {"line", 0x2028},   {"tab", u'\t'},        {"cell", u'\t'},       {"lquote", 0x2018},
    {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"bullet", 0x2022},
    {"endash", 0x2013}, {"emdash", 0x2014},    {"enspace", u' '},     {"emspace", u' '},
    {"qmspace", u' '},
};

} // namespace

namespace RtfWords {

bool IsSkippedDestination(const QByteArray& strWord)
{
    return std::any_of(std::begin(kSkipped), std::end(kSkipped),
                       [&](const char* pszWord) { return strWord == pszWord; });
}

std::optional<char16_t> CharacterOf(const QByteArray& strWord)
{
    const auto found =
        std::find_if(std::begin(kCharacterWords), std::end(kCharacterWords),
                     [&](const CCharacterWord& word) { return strWord == word.pszWord; });
    if (found == std::end(kCharacterWords))
        return std::nullopt;
    return found->ch;
}

} // namespace RtfWords
