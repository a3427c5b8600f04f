#pragma once

#include <QByteArrayList>
#include <QValidator>

class QLineEdit;

// Lets a line edit take only what the settings can keep: characters of the code
// page, none of the given texts (the separators of a stored host entry), and,
// for an edit that does not scroll, no more than its width shows. What breaks a
// rule cannot be typed or pasted.
class CCodePageValidator : public QValidator
{
    Q_OBJECT

public:
    explicit CCodePageValidator(QObject* pParent, QByteArrayList refused = {});

    // Text grows only while it fits the edit's width.
    void FitTo(const QLineEdit* pEdit);

    State validate(QString& strInput, int& nPos) const override;

private:
    bool Fits(const QString& strText) const;

    QByteArrayList m_refused;
    const QLineEdit* m_pFitTo = nullptr;
    // The length of the text the edit holds (while validating, it already shows
    // the text asked about).
    qsizetype m_nLength = 0;
};
