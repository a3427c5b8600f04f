#include "desktop/setup/page_finger.h"

#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "desktop/setup/lines_edit.h"
#include "desktop/setup/setting_boxes.h"
#include "desktop/setup/sound_file_box.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CPageFinger::CPageFinger(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context),
      m_pActive(new QCheckBox(tr("finger daemon active"), this)),
      m_pPlan(new CLinesEdit(context.settings.Plan(), this)),
      m_pSound(new CSoundFileBox(context, context.settings.FingerSoundFile(),
                                 CSoundFileBox::EFolder::AtOnce, this))
{
    const CAppSettings& settings = context.settings;
    m_pActive->setChecked(settings.UseFingerD());

    auto* pEnable = new QGroupBox(tr("Enable finger daemon"), this);
    (new QVBoxLayout(pEnable))->addWidget(m_pActive);

    static constexpr CSettingBoxes::COption kOptions[] = {
        {"send systemname", ESetting::SendSystem},  {"send Platform-info", ESetting::SendOs},
        {"send username", ESetting::SendUser},      {"send uptime", ESetting::SendUptime},
        {"send localtime", ESetting::SendTime},     {"send custom message", ESetting::SendPlan},
        {"notify sound", ESetting::FingerUseSound},
    };
    m_pOptions = new CSettingBoxes(tr("General options"), kOptions, settings, this);

    auto* pPlanBox = new QGroupBox(tr("Custom message"), this);
    (new QVBoxLayout(pPlanBox))->addWidget(m_pPlan);
    m_frames = {m_pOptions, pPlanBox, m_pSound};

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pEnable);
    pLeft->addWidget(m_pOptions, 1);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pPlanBox, 1);
    pRight->addWidget(m_pSound);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pLeft, 1);
    pLayout->addLayout(pRight, 1);
    QList<QWidget*> order = {m_pActive};
    for (QCheckBox* pBox : m_pOptions->Boxes())
        order.append(pBox);
    order += {m_pPlan, &m_pSound->Edit(), &m_pSound->BrowseButton(), &m_pSound->TestButton()};
    ChainTabOrder(order);
    UpdateEnabling();

    connect(m_pActive, &QCheckBox::clicked, this, [this] {
        Q_EMIT Changed();
        UpdateEnabling();
    });
    connect(m_pPlan, &QPlainTextEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pOptions, &CSettingBoxes::Changed, this, &CSetupPage::Changed);
    connect(m_pSound, &CSoundFileBox::Changed, this, &CSetupPage::Changed);
}

QList<QWidget*> CPageFinger::Greyed() const
{
    QList<QWidget*> widgets = {m_pPlan, &m_pSound->Edit(), &m_pSound->BrowseButton(),
                               &m_pSound->TestButton()};
    for (QCheckBox* pBox : m_pOptions->Boxes())
        widgets.append(pBox);
    for (QGroupBox* pFrame : m_frames)
        widgets.append(pFrame);
    return widgets;
}

void CPageFinger::UpdateEnabling()
{
    // Greyed, the values still stand and are stored.
    for (QGroupBox* pFrame : m_frames)
        pFrame->setEnabled(m_pActive->isChecked());
}

bool CPageFinger::CanApply()
{
    return m_pPlan->CanStore(m_context.prompts, tr("The custom message"), tr("Replies"));
}

void CPageFinger::Apply()
{
    CAppSettings& settings = m_context.settings;
    m_pOptions->Store(settings);
    settings.SetUseFingerD(m_pActive->isChecked());
    // The plan's lines go out as the box breaks them, with bare line feeds;
    // untouched, it stays as stored.
    if (m_pPlan->IsEdited())
        settings.SetPlan(CodePage::FromUnicode(m_pPlan->Lines()));
    settings.SetFingerSoundFile(m_pSound->File());
    settings.Save(SettingsGroup::Finger);
}
