#include "desktop/setup/setup_sheet.h"

#include "desktop/setup/page_finger.h"
#include "desktop/setup/page_hosts.h"
#include "desktop/setup/page_network.h"
#include "desktop/setup/page_prefs.h"
#include "desktop/setup/page_styles.h"
#include "desktop/views/screen_scale.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

CPSheetSetup::CPSheetSetup(const CSetupContext& context, QWidget* pParent)
    : QDialog(pParent), m_pTabs(new QTabWidget(this)),
      m_pButtons(new QDialogButtonBox(
          QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Apply, this))
{
    setWindowTitle(tr("Setup"));
    // The captions carry their blanks, as the tabs show them.
    AddPage(tr("  Preferences  "),
            [context](QWidget* pParent) { return new CPagePrefs(context, pParent); });
    AddPage(tr("  Hosts  "),
            [context](QWidget* pParent) { return new CPageHosts(context, pParent); });
    AddPage(tr("  Network  "),
            [context](QWidget* pParent) { return new CPageNetwork(context, pParent); });
    AddPage(tr(" FingerDaemon "),
            [context](QWidget* pParent) { return new CPageFinger(context, pParent); });
    AddPage(tr("  Styles  "),
            [context](QWidget* pParent) { return new CPageStyles(context, pParent); });

    ApplyButton().setEnabled(false);
    connect(&OkButton(), &QPushButton::clicked, this, [this] {
        if (ApplyPages())
            accept();
    });
    connect(&ApplyButton(), &QPushButton::clicked, this, &CPSheetSetup::OnApply);
    connect(m_pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pTabs, &QTabWidget::currentChanged, this, [this](int nTab) {
        if (isVisible())
            MakePage(nTab);
    });

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pTabs, 1);
    pLayout->addWidget(m_pButtons);
    // Pages are made later, so the sheet cannot learn their size from them.
    setMinimumSize(ScaledSize(*this, {540, 440}));
    resize(ScaledSize(*this, {640, 500}));
}

void CPSheetSetup::AddPage(const QString& strCaption, CMakePage make)
{
    CSlot slot{std::move(make)};
    slot.pHolder = new QWidget(m_pTabs);
    new QVBoxLayout(slot.pHolder);
    m_pTabs->addTab(slot.pHolder, strCaption);
    m_slots.append(std::move(slot));
}

void CPSheetSetup::MakePage(int nTab)
{
    if (nTab < 0 || nTab >= m_slots.size() || m_slots[nTab].pPage)
        return;
    CSlot& slot = m_slots[nTab];
    slot.pPage = slot.make(slot.pHolder);
    slot.pHolder->layout()->addWidget(slot.pPage);
    slot.pPage->show();
    // The page's controls come before the sheet's buttons when tabbing, as on a
    // page made with the sheet.
    QWidget* pLast = nullptr;
    for (QWidget* pWidget = slot.pPage->nextInFocusChain(); pWidget != slot.pPage;
         pWidget = pWidget->nextInFocusChain()) {
        if (slot.pPage->isAncestorOf(pWidget))
            pLast = pWidget;
    }
    if (pLast) {
        QWidget::setTabOrder(pLast, &OkButton());
        QWidget::setTabOrder(&OkButton(), &CancelButton());
        QWidget::setTabOrder(&CancelButton(), &ApplyButton());
    }
    connect(slot.pPage, &CSetupPage::Changed, this, [this] { ApplyButton().setEnabled(true); });
}

void CPSheetSetup::showEvent(QShowEvent* pEvent)
{
    QDialog::showEvent(pEvent);
    MakePage(m_pTabs->currentIndex());
}

CSetupPage* CPSheetSetup::Page(int nTab) const
{
    return nTab >= 0 && nTab < m_slots.size() ? m_slots[nTab].pPage : nullptr;
}

bool CPSheetSetup::ApplyPages()
{
    for (const CSlot& slot : m_slots) {
        if (slot.pPage && !slot.pPage->CanApply()) {
            m_pTabs->setCurrentWidget(slot.pHolder);
            return false;
        }
    }
    for (const CSlot& slot : m_slots) {
        if (slot.pPage)
            slot.pPage->Apply();
    }
    // Applied values cannot be taken back from here.
    CancelButton().setText(tr("Close"));
    return true;
}

void CPSheetSetup::OnApply()
{
    if (ApplyPages())
        ApplyButton().setEnabled(false);
}

QPushButton& CPSheetSetup::OkButton() const
{
    return *m_pButtons->button(QDialogButtonBox::Ok);
}

QPushButton& CPSheetSetup::CancelButton() const
{
    return *m_pButtons->button(QDialogButtonBox::Cancel);
}

QPushButton& CPSheetSetup::ApplyButton() const
{
    return *m_pButtons->button(QDialogButtonBox::Apply);
}
