#include "desktop/setup/number_box.h"

#include "core/text/code_page.h"
#include "core/text/leading_number.h"

#include <QLineEdit>

#include <algorithm>

CNumberBox::CNumberBox(int nMinimum, int nMaximum, QWidget* pParent)
    : QAbstractSpinBox(pParent), m_nMinimum(nMinimum), m_nMaximum(nMaximum)
{
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    setKeyboardTracking(true);
    connect(lineEdit(), &QLineEdit::textEdited, this, &CNumberBox::Edited);
}

QString CNumberBox::Text() const
{
    return lineEdit()->text();
}

void CNumberBox::SetText(const QString& strText)
{
    lineEdit()->setText(strText);
    update(); // the arrows' state follows the number
}

void CNumberBox::stepBy(int nSteps)
{
    const qint64 nNumber = ParseLeadingNumber(CodePage::FromUnicode(Text()));
    const qint64 nStepped = std::clamp<qint64>(nNumber + nSteps, m_nMinimum, m_nMaximum);
    SetText(QString::number(nStepped)); // without thousands separators
    Q_EMIT Edited();
}

QValidator::State CNumberBox::validate(QString& strInput, int& /*nPos*/) const
{
    bool bLossless = true;
    CodePage::FromUnicode(strInput, &bLossless);
    return bLossless ? QValidator::Acceptable : QValidator::Invalid;
}

QAbstractSpinBox::StepEnabled CNumberBox::stepEnabled() const
{
    if (!isEnabled())
        return StepNone;
    const qint32 nNumber = ParseLeadingNumber(CodePage::FromUnicode(Text()));
    StepEnabled enabled = StepNone;
    if (nNumber < m_nMaximum)
        enabled |= StepUpEnabled;
    if (nNumber > m_nMinimum)
        enabled |= StepDownEnabled;
    return enabled;
}
