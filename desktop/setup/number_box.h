#pragma once

#include <QAbstractSpinBox>

// A number edit with arrows, as the setup pages have them: the arrows (buttons,
// keys, wheel) step within a range, but what is typed stays as typed, letters
// and all; the page reads its leading number.
class CNumberBox : public QAbstractSpinBox
{
    Q_OBJECT

public:
    CNumberBox(int nMinimum, int nMaximum, QWidget* pParent);

    QString Text() const;
    void SetText(const QString& strText);

    void stepBy(int nSteps) override;
    QValidator::State validate(QString& strInput, int& nPos) const override;

Q_SIGNALS:
    // The user typed or stepped.
    void Edited();

protected:
    StepEnabled stepEnabled() const override;

private:
    int m_nMinimum;
    int m_nMaximum;
};
