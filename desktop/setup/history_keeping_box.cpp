#include "desktop/setup/history_keeping_box.h"

#include "core/settings/app_settings.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSpinBox>

#include <algorithm>

namespace {
// The list's entries, in the order of the stored values (never, always, days).
constexpr int kKeepChoices = 3;
} // namespace

CHistoryKeepingBox::CHistoryKeepingBox(const CAppSettings& settings, QWidget* pParent)
    : QGroupBox(tr("History"), pParent), m_pKeep(new QComboBox(this)), m_pDays(new QSpinBox(this)),
      m_pMegabytes(new QSpinBox(this))
{
    m_pKeep->addItems({tr("never"), tr("always"), tr("for")});
    const int nKeep = settings.KeepNotes();
    m_pKeep->setCurrentIndex(nKeep >= 0 && nKeep < kKeepChoices ? nKeep : CAppSettings::KeepAlways);
    m_pDays->setRange(1, 36500);
    m_pDays->setSuffix(tr(" days"));
    m_pDays->setValue(std::max(1, settings.KeepDays()));
    m_pMegabytes->setRange(0, 1024 * 1024);
    m_pMegabytes->setSuffix(tr(" MB"));
    m_pMegabytes->setSpecialValueText(tr("no bound"));
    m_pMegabytes->setValue(std::max(0, settings.HistoryMegabytes()));
    m_pMegabytes->setToolTip(tr("When the history grows beyond this, its oldest notes go."));

    auto* pRow = new QHBoxLayout(this);
    auto* pKeepLabel = new QLabel(tr("&keep notes"), this);
    pKeepLabel->setBuddy(m_pKeep);
    auto* pSizeLabel = new QLabel(tr("at &most"), this);
    pSizeLabel->setBuddy(m_pMegabytes);
    pRow->addWidget(pKeepLabel);
    pRow->addWidget(m_pKeep);
    pRow->addWidget(m_pDays);
    pRow->addSpacing(12);
    pRow->addWidget(pSizeLabel);
    pRow->addWidget(m_pMegabytes);
    pRow->addStretch(1);
    UpdateDays();

    connect(m_pKeep, &QComboBox::currentIndexChanged, this, [this] {
        UpdateDays();
        Q_EMIT Changed();
    });
    connect(m_pDays, &QSpinBox::valueChanged, this, &CHistoryKeepingBox::Changed);
    connect(m_pMegabytes, &QSpinBox::valueChanged, this, &CHistoryKeepingBox::Changed);
}

void CHistoryKeepingBox::UpdateDays()
{
    m_pDays->setEnabled(m_pKeep->currentIndex() == CAppSettings::KeepForDays);
    m_pMegabytes->setEnabled(m_pKeep->currentIndex() != CAppSettings::KeepNever);
}

void CHistoryKeepingBox::Store(CAppSettings& settings) const
{
    settings.SetKeepDays(m_pDays->value());
    settings.SetHistoryMegabytes(m_pMegabytes->value());
    settings.SetKeepNotes(m_pKeep->currentIndex());
}
