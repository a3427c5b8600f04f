#include "desktop/setup/code_page_validator.h"

#include "core/text/code_page.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

CCodePageValidator::CCodePageValidator(QObject* pParent, QByteArrayList refused)
    : QValidator(pParent), m_refused(std::move(refused))
{}

void CCodePageValidator::FitTo(const QLineEdit* pEdit)
{
    m_pFitTo = pEdit;
    m_nLength = pEdit->text().size();
    connect(pEdit, &QLineEdit::textChanged, this,
            [this](const QString& strText) { m_nLength = strText.size(); });
}

QValidator::State CCodePageValidator::validate(QString& strInput, int& /*nPos*/) const
{
    bool bLossless = true;
    const QByteArray strBytes = CodePage::FromUnicode(strInput, &bLossless);
    if (!bLossless)
        return Invalid;
    for (const QByteArray& strRefused : m_refused) {
        if (strBytes.contains(strRefused))
            return Invalid;
    }
    // A text that is already too wide (stored so) may still be shortened.
    if (m_pFitTo && strInput.size() > m_nLength && !Fits(strInput))
        return Invalid;
    return Acceptable;
}

bool CCodePageValidator::Fits(const QString& strText) const
{
    QStyleOptionFrame option;
    option.initFrom(m_pFitTo);
    option.rect = m_pFitTo->rect();
    option.lineWidth =
        m_pFitTo->hasFrame()
            ? m_pFitTo->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, m_pFitTo)
            : 0;
    const QRect contents =
        m_pFitTo->style()->subElementRect(QStyle::SE_LineEditContents, &option, m_pFitTo);
    const QMargins margins = m_pFitTo->textMargins();
    // The edit keeps two pixels free on each side of its text.
    const int nRoom = contents.width() - margins.left() - margins.right() - 4;
    return m_pFitTo->fontMetrics().horizontalAdvance(strText) <= nRoom;
}
