#include "core/text/rtf_reader.h"

#include "core/text/code_page.h"
#include "core/text/rtf_words.h"

#include <QHash>

#include <algorithm>
#include <limits>
#include <optional>

namespace {

// Groups nested deeper than this are read as skipped text.
constexpr int kMaxDepth = 128;
constexpr int kMaxWordLength = 32;
constexpr int kMaxParameterDigits = 10;
// Rich text without a size, or after "\plain", is 12 points.
constexpr int kDefaultHalfPoints = 24;
// The largest size word processors offer, 1638 points.
constexpr int kMaxHalfPoints = 3276;
// "\ucN" beyond this many fallback characters is taken as this many.
constexpr int kMaxUnicodeSkip = 16;

CRtfCharFormat DefaultFormat()
{
    CRtfCharFormat format;
    format.nHalfPoints = kDefaultHalfPoints;
    return format;
}

enum class EDestination
{
    Text,
    FontTable,
    ColorTable,
    Skip,
};

struct CGroupState
{
    EDestination eDestination = EDestination::Text;
    CRtfCharFormat format = DefaultFormat();
    int nFont = -1;
    int nColor = 0;
    int nUnicodeSkip = 1; // "\ucN": fallback characters after "\uN"
};

class CReader
{
public:
    explicit CReader(const QByteArray& strRtf) : m_input(strRtf) {}

    CRtfDocument Run()
    {
        while (m_nPos < m_input.size()) {
            const char c = m_input[m_nPos++];
            if (c == '{')
                OpenGroup();
            else if (c == '}')
                CloseGroup();
            else if (c == '\\')
                ControlSequence();
            else if (c != '\r' && c != '\n')
                Byte(static_cast<unsigned char>(c));
            if (m_bFinished)
                break;
        }
        return std::move(m_document);
    }

private:
    CGroupState& State() { return m_stack.back(); }

    void OpenGroup()
    {
        if (static_cast<int>(m_stack.size()) >= kMaxDepth) {
            ++m_nOverflow;
            return;
        }
        CGroupState inner = State();
        m_stack.push_back(inner);
        m_bGroupStart = true;
    }

    void CloseGroup()
    {
        m_nSkipFallback = 0;
        if (m_nOverflow > 0) {
            --m_nOverflow;
            return;
        }
        if (m_stack.size() <= 1)
            return; // a closing brace too many
        const EDestination eClosed = State().eDestination;
        m_stack.pop_back();
        if (eClosed == EDestination::FontTable && State().eDestination != EDestination::FontTable)
            FinishFontName();
        // What follows the document's own group is not part of it.
        m_bFinished = m_stack.size() == 1;
    }

    bool Skipping() const
    {
        return m_nOverflow > 0 || m_stack.back().eDestination == EDestination::Skip;
    }

    void ControlSequence()
    {
        if (m_nPos >= m_input.size())
            return;
        const char c = m_input[m_nPos];
        if (!IsLetter(c)) {
            ++m_nPos;
            ControlSymbol(c);
            return;
        }
        QByteArray strWord;
        while (m_nPos < m_input.size() && IsLetter(m_input[m_nPos])) {
            if (strWord.size() < kMaxWordLength)
                strWord.append(m_input[m_nPos]);
            ++m_nPos;
        }
        bool bHasParameter = false;
        int nParameter = 0;
        ReadParameter(bHasParameter, nParameter);
        if (m_nPos < m_input.size() && m_input[m_nPos] == ' ')
            ++m_nPos;
        const bool bGroupStart = std::exchange(m_bGroupStart, false);
        ControlWord(strWord, bHasParameter, nParameter, bGroupStart);
    }

    void ReadParameter(bool& bHasParameter, int& nParameter)
    {
        const bool bNegative = m_nPos < m_input.size() && m_input[m_nPos] == '-' &&
                               m_nPos + 1 < m_input.size() && IsDigit(m_input[m_nPos + 1]);
        if (bNegative)
            ++m_nPos;
        qint64 nValue = 0;
        int nDigits = 0;
        while (m_nPos < m_input.size() && IsDigit(m_input[m_nPos])) {
            if (nDigits++ < kMaxParameterDigits)
                nValue = nValue * 10 + (m_input[m_nPos] - '0');
            ++m_nPos;
        }
        bHasParameter = nDigits > 0;
        nValue = std::min<qint64>(nValue, std::numeric_limits<int>::max());
        nParameter = static_cast<int>(bNegative ? -nValue : nValue);
    }

    void ControlSymbol(char c)
    {
        m_bGroupStart = m_bGroupStart && c == '*';
        switch (c) {
        case '*':
            // An optional destination: we know none of them, so skip the group.
            State().eDestination = EDestination::Skip;
            break;
        case '\'':
            HexByte();
            break;
        case '\\':
        case '{':
        case '}':
            Byte(static_cast<unsigned char>(c));
            break;
        case '~':
            Text(QChar(0x00A0));
            break;
        case '_':
            Text(QChar(0x2011));
            break;
        case '-': // optional hyphen: shown only where a word breaks
            ConsumeFallback();
            break;
        case '\r':
        case '\n':
            Text(QChar(u'\n'));
            break;
        case '\t':
            Text(QChar(u'\t'));
            break;
        default:
            ConsumeFallback();
            break;
        }
    }

    void HexByte()
    {
        int nValue = 0;
        for (int n = 0; n < 2; ++n) {
            if (m_nPos >= m_input.size())
                return;
            const int nDigit = HexDigit(m_input[m_nPos]);
            if (nDigit < 0)
                return;
            nValue = nValue * 16 + nDigit;
            ++m_nPos;
        }
        Byte(static_cast<unsigned char>(nValue));
    }

    void ControlWord(const QByteArray& strWord, bool bHasParameter, int nParameter,
                     bool bGroupStart)
    {
        CGroupState& state = State();

        if (strWord == "fonttbl") {
            state.eDestination = EDestination::FontTable;
            return;
        }
        if (strWord == "colortbl") {
            state.eDestination = EDestination::ColorTable;
            m_nRed = m_nGreen = m_nBlue = 0;
            m_bColorGiven = false;
            return;
        }
        if (RtfWords::IsSkippedDestination(strWord) && (bGroupStart || strWord == "pict")) {
            state.eDestination = EDestination::Skip;
            return;
        }
        if (Skipping())
            return;
        if (state.eDestination == EDestination::FontTable) {
            if (strWord == "f" && bHasParameter) {
                FinishFontName();
                m_nFontEntry = nParameter;
            } else if (strWord == "u" && bHasParameter) {
                m_strFontName += QChar(static_cast<char16_t>(nParameter));
            }
            return;
        }
        if (state.eDestination == EDestination::ColorTable) {
            const int nComponent = std::clamp(nParameter, 0, 255);
            if (strWord == "red")
                m_nRed = nComponent;
            else if (strWord == "green")
                m_nGreen = nComponent;
            else if (strWord == "blue")
                m_nBlue = nComponent;
            else
                return;
            m_bColorGiven = true;
            return;
        }

        if (const std::optional<char16_t> ch = RtfWords::CharacterOf(strWord)) {
            Text(QChar(*ch));
            return;
        }
        const CStateWord* pWord = StateWord(strWord);
        if (pWord && (bHasParameter || !pWord->bNeedsParameter)) {
            pWord->pApply(*this, state, nParameter, !bHasParameter || nParameter != 0);
            return;
        }
        ConsumeFallback(); // any other word counts as one fallback character
    }

    // The control words that change the group's state or the reading: bOn is
    // false only for a parameter of 0 ("\b0" ends bold).
    struct CStateWord
    {
        const char* pszWord;
        bool bNeedsParameter; // without one, the word counts as any unknown word
        void (*pApply)(CReader& reader, CGroupState& state, int nParameter, bool bOn);
    };

    template <bool CRtfCharFormat::*pFlag>
    static void SetFlag(CReader&, CGroupState& state, int, bool bOn)
    {
        state.format.*pFlag = bOn;
    }

    static const CStateWord* StateWord(const QByteArray& strWord)
    {
        static constexpr CStateWord kStateWords[] = {
            {"u", true,
             [](CReader& reader, CGroupState&, int nParameter, bool) {
                 reader.Unicode(nParameter);
             }},
            {"uc", true,
             [](CReader&, CGroupState& state, int nParameter, bool) {
                 state.nUnicodeSkip = std::clamp(nParameter, 0, kMaxUnicodeSkip);
             }},
            {"bin", true,
             [](CReader& reader, CGroupState&, int nParameter, bool) {
                 reader.m_nPos += std::min<qsizetype>(std::max(nParameter, 0),
                                                      reader.m_input.size() - reader.m_nPos);
             }},
            {"plain", false,
             [](CReader& reader, CGroupState& state, int, bool) {
                 state.format = DefaultFormat();
                 state.nFont = reader.m_nDefaultFont;
                 state.nColor = 0;
             }},
            {"deff", true,
             [](CReader& reader, CGroupState& state, int nParameter, bool) {
                 reader.m_nDefaultFont = state.nFont = nParameter;
             }},
            {"b", false, &SetFlag<&CRtfCharFormat::bBold>},
            {"i", false, &SetFlag<&CRtfCharFormat::bItalic>},
            {"ul", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"uld", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"uldb", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"ulw", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"uldash", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"ulwave", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"ulth", false, &SetFlag<&CRtfCharFormat::bUnderline>},
            {"ulnone", false,
             [](CReader&, CGroupState& state, int, bool) { state.format.bUnderline = false; }},
            {"strike", false, &SetFlag<&CRtfCharFormat::bStrikeOut>},
            {"striked", false, &SetFlag<&CRtfCharFormat::bStrikeOut>},
            {"fs", true,
             [](CReader&, CGroupState& state, int nParameter, bool) {
                 state.format.nHalfPoints = std::clamp(nParameter, 0, kMaxHalfPoints);
             }},
            {"f", true,
             [](CReader&, CGroupState& state, int nParameter, bool) { state.nFont = nParameter; }},
            {"cf", true,
             [](CReader&, CGroupState& state, int nParameter, bool) { state.nColor = nParameter; }},
        };
        const auto found =
            std::find_if(std::begin(kStateWords), std::end(kStateWords),
                         [&](const CStateWord& word) { return strWord == word.pszWord; });
        return found == std::end(kStateWords) ? nullptr : found;
    }

    void Unicode(int nParameter)
    {
        // Negative values stand for the upper half of the 16-bit range.
        const auto nCode = static_cast<char16_t>(nParameter < 0 ? nParameter + 65536 : nParameter);
        Text(QChar(nCode));
        m_nSkipFallback = State().nUnicodeSkip;
    }

    void ConsumeFallback()
    {
        if (m_nSkipFallback > 0)
            --m_nSkipFallback;
    }

    void Byte(unsigned char byte)
    {
        if (Skipping())
            return;
        const EDestination eDestination = State().eDestination;
        if (eDestination == EDestination::FontTable) {
            if (byte == ';')
                FinishFontName();
            else
                m_strFontName += CodePage::CharOf(byte);
            return;
        }
        if (eDestination == EDestination::ColorTable) {
            if (byte == ';') {
                m_colors.push_back(m_bColorGiven ? Rgb() : -1);
                m_nRed = m_nGreen = m_nBlue = 0;
                m_bColorGiven = false;
            }
            return;
        }
        Text(CodePage::CharOf(byte));
    }

    void Text(QChar ch)
    {
        if (Skipping())
            return;
        if (m_nSkipFallback > 0) {
            --m_nSkipFallback;
            return;
        }
        const CGroupState& state = State();
        if (state.eDestination != EDestination::Text)
            return;
        auto& runs = m_document.runs;
        // Most characters continue the run before them in the same group state.
        if (!runs.empty() && state.nFont == m_lastState.nFont &&
            state.nColor == m_lastState.nColor && state.format == m_lastState.format) {
            runs.back().strText += ch;
            return;
        }
        m_lastState = state;
        CRtfCharFormat format = state.format;
        format.strFace = m_fonts.value(state.nFont);
        const int nColor = state.nColor;
        if (nColor > 0 && nColor < static_cast<int>(m_colors.size()) && m_colors[nColor] >= 0) {
            format.bHasColor = true;
            format.nColor = static_cast<unsigned>(m_colors[nColor]);
        }
        if (runs.empty() || !(runs.back().format == format))
            runs.push_back({QString(), format});
        runs.back().strText += ch;
    }

    void FinishFontName()
    {
        if (m_nFontEntry >= 0) {
            m_fonts.insert(m_nFontEntry, m_strFontName.trimmed());
            m_nFontEntry = -1;
        }
        m_strFontName.clear();
    }

    int Rgb() const { return (m_nRed << 16) | (m_nGreen << 8) | m_nBlue; }

    static bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    static int HexDigit(char c)
    {
        if (IsDigit(c))
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    }

    const QByteArray& m_input;
    qsizetype m_nPos = 0;
    std::vector<CGroupState> m_stack{CGroupState()};
    int m_nOverflow = 0;
    bool m_bFinished = false;
    bool m_bGroupStart = false;
    int m_nSkipFallback = 0;

    QHash<int, QString> m_fonts;
    int m_nFontEntry = -1;
    QString m_strFontName;
    int m_nDefaultFont = -1;

    std::vector<int> m_colors;
    int m_nRed = 0;
    int m_nGreen = 0;
    int m_nBlue = 0;
    bool m_bColorGiven = false;

    CRtfDocument m_document;
    CGroupState m_lastState; // the state the last run's format was made from
};

} // namespace

QString CRtfDocument::PlainText() const
{
    QString strText;
    for (const CRtfRun& run : runs)
        strText += run.strText;
    return strText;
}

namespace RtfReader {

CRtfDocument Read(const QByteArray& strRtf)
{
    return CReader(strRtf).Run();
}

} // namespace RtfReader
