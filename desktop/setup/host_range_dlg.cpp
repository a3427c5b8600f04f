#include "desktop/setup/host_range_dlg.h"

#include "core/hosts/host_list.h"
#include "core/hosts/host_range.h"
#include "core/text/code_page.h"
#include "core/text/leading_number.h"
#include "desktop/setup/code_page_validator.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CHostRangeDlg::CHostRangeDlg(QWidget* pParent)
    : QDialog(pParent), m_pGroup(new QLineEdit(QStringLiteral("default"), this)),
      m_pCreate(new QPushButton(tr("Create"), this)), m_pCancel(new QPushButton(tr("Cancel"), this))
{
    setWindowTitle(tr("Create range of new hosts"));
    auto* pRange = new QGroupBox(tr("Range"), this);
    auto* pGrid = new QGridLayout(pRange);
    auto* pFrom = new QLabel(tr("From:"), pRange);
    auto* pTo = new QLabel(tr("To:"), pRange);
    pGrid->addWidget(pFrom, 0, 0);
    pGrid->addWidget(pTo, 1, 0);
    const int nOctetWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 12;
    for (int n = 0; n < 5; ++n) {
        m_octets[n] = new QLineEdit(pRange);
        m_octets[n]->setFixedWidth(nOctetWidth);
        m_octets[n]->setAccessibleName(n < 4 ? tr("From, number %1 of the address").arg(n + 1)
                                             : tr("To, last number of the address"));
    }
    pFrom->setBuddy(m_octets[0]);
    pTo->setBuddy(m_octets[4]);
    for (int n = 0; n < 5; ++n) {
        QLineEdit* pOctet = m_octets[n];
        QLineEdit* pNext = n < 3 ? m_octets[n + 1] : nullptr;
        // Each change shows the octet's value at once ("007" as 7, "300" as 255);
        // a dot typed after the first three goes on to the next octet, as in an
        // address.
        connect(pOctet, &QLineEdit::textChanged, this, [pOctet, pNext](const QString& strText) {
            const QString strOctet =
                CodePage::ToUnicode(HostRange::NormalOctet(CodePage::FromUnicode(strText)));
            if (strOctet != strText)
                pOctet->setText(strOctet);
            if (pNext && strText.endsWith(QLatin1Char('.')) && pOctet->hasFocus()) {
                pNext->setFocus();
                pNext->selectAll();
            }
        });
    }
    for (int n = 0; n < 4; ++n) {
        pGrid->addWidget(m_octets[n], 0, 1 + 2 * n);
        if (n < 3)
            pGrid->addWidget(new QLabel(QStringLiteral("."), pRange), 0, 2 + 2 * n);
    }
    pGrid->addWidget(m_octets[4], 1, 7);
    pGrid->setColumnStretch(8, 1);

    m_pGroup->setValidator(new CCodePageValidator(m_pGroup, CHostList::EntrySeparators()));
    auto* pGroupBox = new QGroupBox(tr("Group"), this);
    (new QVBoxLayout(pGroupBox))->addWidget(m_pGroup);

    m_pCreate->setDefault(true);
    connect(m_pCreate, &QPushButton::clicked, this, &CHostRangeDlg::OnCreate);
    connect(m_pCancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pCreate);
    pButtons->addWidget(m_pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pRange);
    pLayout->addWidget(pGroupBox);
    pLayout->addLayout(pButtons);
}

void CHostRangeDlg::OnCreate()
{
    const auto Text = [](const QLineEdit* pEdit) { return CodePage::FromUnicode(pEdit->text()); };
    m_rows = HostRange::Rows(Text(m_octets[0]), Text(m_octets[1]), Text(m_octets[2]),
                             ParseLeadingNumber(Text(m_octets[3])),
                             ParseLeadingNumber(Text(m_octets[4])), Text(m_pGroup));
    accept();
}
