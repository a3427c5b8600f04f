#include "desktop/setup/setting_boxes.h"

#include "core/settings/app_settings.h"

#include <QCheckBox>
#include <QVBoxLayout>

CSettingBoxes::CSettingBoxes(const QString& strTitle, std::span<const COption> options,
                             const CAppSettings& settings, QWidget* pParent,
                             Qt::Orientation eOrientation)
    : QGroupBox(strTitle, pParent)
{
    auto* pLayout = new QBoxLayout(
        eOrientation == Qt::Vertical ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight, this);
    for (const COption& option : options) {
        auto* pBox = new QCheckBox(tr(option.pszCaption), this);
        pBox->setChecked(settings.Flag(option.eSetting));
        pLayout->addWidget(pBox);
        m_settings.append(option.eSetting);
        m_boxes.append(pBox);
        connect(pBox, &QCheckBox::clicked, this, &CSettingBoxes::Changed);
    }
    pLayout->addStretch(1);
}

void CSettingBoxes::Store(CAppSettings& settings) const
{
    for (qsizetype n = 0; n < m_boxes.size(); ++n)
        settings.SetFlag(m_settings[n], m_boxes[n]->isChecked());
}
