#include "desktop/views/print_layout.h"

#include "core/documents/blipnote_doc.h"
#include "core/interfaces/version.h"
#include "core/text/code_page.h"
#include "core/text/print_wrap.h"
#include "core/text/shown_text.h"

#include <QFontMetrics>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {
const QByteArray kRuler =
    "---------1---------2---------3---------4---------5---------6---------7---------8-";
const char* const kLabels[] = {"Name    :", "System  :", "IP-add. :", "Time    :"};
const QByteArray kValuePrefix(10, ' ');
} // namespace

QFont CPrintLayout::MakeFont(const QPaintDevice& device, int nWeight)
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter, QFont::PreferMatch);
    font.setFixedPitch(true);
    // 10 points on this device: the product first, the quotient truncated.
    font.setPixelSize(std::max(1, device.logicalDpiY() * 10 / 72));
    font.setWeight(nWeight >= 700 ? QFont::Bold : QFont::Normal);
    return font;
}

void CPrintLayout::BeginLayout(QPaintDevice& device)
{
    m_normalFont = MakeFont(device, 400);
    const QFontMetrics metrics(*m_normalFont, &device);
    m_nLineHeight = std::max(1, metrics.height() + metrics.leading());
    m_nTextWidth = metrics.horizontalAdvance(QString::fromLatin1(kRuler));
    m_nLeftMargin = (device.width() - m_nTextWidth) / 2;
    m_nPageCapacity = (device.height() - 7 * m_nLineHeight) / m_nLineHeight;
    m_nCurrentY = 0;
}

void CPrintLayout::DrawLine(QPainter& painter, int nY, const QByteArray& strText) const
{
    // Lines are placed by the top of their text cell.
    painter.drawText(m_nLeftMargin, nY + painter.fontMetrics().ascent(),
                     CodePage::ToUnicode(strText));
}

void CPrintLayout::DrawRule(QPainter& painter, int nY) const
{
    painter.drawLine(m_nLeftMargin, nY, m_nLeftMargin + m_nTextWidth, nY);
}

void CPrintLayout::PrintHeader(QPainter& painter, const CBlipnoteDoc& doc)
{
    const int h = m_nLineHeight;
    const QFont previousFont = painter.font();

    m_nCurrentY = 2 * h;
    painter.setFont(MakeFont(*painter.device(), 700));
    DrawLine(painter, m_nCurrentY,
             PrintWrap::TitleLine(ShownText::Of(doc.Title()), Version::ProductLine));
    m_nCurrentY += h * 5 / 4;
    DrawRule(painter, m_nCurrentY);
    int nLabelY = m_nCurrentY - h;
    for (const char* pszLabel : kLabels) {
        nLabelY += h * 3 / 2;
        DrawLine(painter, nLabelY, pszLabel);
    }

    painter.setFont(m_normalFont.value_or(previousFont));
    m_nCurrentY += h / 2;
    DrawLine(painter, m_nCurrentY, kValuePrefix + ShownText::Of(doc.m_strNickname));
    for (const QByteArray* pValue : {&doc.m_strSystem, &doc.m_strAddress, &doc.m_strTime}) {
        m_nCurrentY += h * 3 / 2;
        DrawLine(painter, m_nCurrentY, kValuePrefix + ShownText::Of(*pValue));
    }
    m_nCurrentY += h * 3 / 2;
    DrawRule(painter, m_nCurrentY);
    m_nCurrentY += h * 5 / 4;
    painter.setFont(previousFont);
}

int CPrintLayout::PrintBody(QPainter& painter, const QByteArray& strBody)
{
    const int nStep = m_nLineHeight * 5 / 4;
    const int nTopMargin = 2 * m_nLineHeight;
    const int nPageBottom = nTopMargin + m_nPageCapacity * m_nLineHeight;
    auto* pPages = dynamic_cast<QPagedPaintDevice*>(painter.device());
    const QFont previousFont = painter.font();
    painter.setFont(m_normalFont.value_or(previousFont));

    int nPages = 1;
    for (const QByteArray& strLine : PrintWrap::WrapBody(strBody)) {
        // A body longer than the page goes on on the next one.
        if (pPages && m_nCurrentY + m_nLineHeight > nPageBottom && m_nCurrentY > nTopMargin &&
            pPages->newPage()) {
            ++nPages;
            m_nCurrentY = nTopMargin;
        }
        DrawLine(painter, m_nCurrentY, strLine);
        m_nCurrentY += nStep;
    }
    painter.setFont(previousFont);
    return nPages;
}

void CPrintLayout::EndLayout()
{
    m_normalFont.reset();
}
