#include "desktop/setup/page_finger.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/editor_text.h"
#include "desktop/setup/code_page_validator.h"
#include "desktop/setup/sound_browse.h"
#include "desktop/views/long_word_wrap.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

CPageFinger::CPageFinger(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context),
      m_pActive(new QCheckBox(tr("finger daemon active"), this)),
      m_pPlan(new QPlainTextEdit(EditorText::LinesFromNote(context.settings.m_strPlan), this)),
      m_pSoundFile(new QLineEdit(CodePage::ToUnicode(context.settings.m_strFingerSoundFile), this)),
      m_pBrowse(new QPushButton(QStringLiteral("..."), this)),
      m_pTest(new QPushButton(tr("&Test"), this))
{
    const CAppSettings& settings = context.settings;
    m_pActive->setChecked(settings.m_nUseFingerD != 0);
    m_pPlan->setTabChangesFocus(true);
    m_pPlan->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pPlan->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LongWordWrap::Watch(*m_pPlan);
    m_pSoundFile->setValidator(new CCodePageValidator(m_pSoundFile));
    m_pBrowse->setAutoDefault(false);
    m_pTest->setAutoDefault(false);
    m_pBrowse->setFixedWidth(m_pBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);

    auto* pEnable = new QGroupBox(tr("Enable finger daemon"), this);
    (new QVBoxLayout(pEnable))->addWidget(m_pActive);

    const struct
    {
        const char* pszCaption;
        int CAppSettings::*pField;
    } kOptions[] = {
        {"send systemname", &CAppSettings::m_nSendSystem},
        {"send Platform-info", &CAppSettings::m_nSendOs},
        {"send username", &CAppSettings::m_nSendUser},
        {"send uptime", &CAppSettings::m_nSendUptime},
        {"send localtime", &CAppSettings::m_nSendTime},
        {"send custom message", &CAppSettings::m_nSendPlan},
        {"notify sound", &CAppSettings::m_nFingerUseSound},
    };
    auto* pGeneral = new QGroupBox(tr("General options"), this);
    auto* pGeneralLayout = new QVBoxLayout(pGeneral);
    for (const auto& option : kOptions) {
        auto* pBox = new QCheckBox(tr(option.pszCaption), pGeneral);
        pBox->setChecked(settings.*option.pField != 0);
        pGeneralLayout->addWidget(pBox);
        m_options.append({option.pField, pBox});
        connect(pBox, &QCheckBox::clicked, this, &CSetupPage::Changed);
    }
    pGeneralLayout->addStretch(1);

    auto* pPlanBox = new QGroupBox(tr("Custom message"), this);
    (new QVBoxLayout(pPlanBox))->addWidget(m_pPlan);
    auto* pSoundBox = new QGroupBox(tr("Notifysound"), this);
    auto* pSoundLayout = new QGridLayout(pSoundBox);
    pSoundLayout->addWidget(m_pSoundFile, 0, 0);
    pSoundLayout->addWidget(m_pBrowse, 0, 1);
    pSoundLayout->addWidget(m_pTest, 1, 0, Qt::AlignLeft);
    m_frames = {pGeneral, pPlanBox, pSoundBox};

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pEnable);
    pLeft->addWidget(pGeneral, 1);
    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pPlanBox, 1);
    pRight->addWidget(pSoundBox);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pLeft, 1);
    pLayout->addLayout(pRight, 1);
    UpdateEnabling();

    connect(m_pActive, &QCheckBox::clicked, this, [this] {
        Q_EMIT Changed();
        UpdateEnabling();
    });
    connect(m_pPlan, &QPlainTextEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pSoundFile, &QLineEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pBrowse, &QPushButton::clicked, this, [this] {
        Q_EMIT Changed();
        OnBrowse();
    });
    connect(m_pTest, &QPushButton::clicked, this, [this] {
        Q_EMIT Changed();
        OnTest();
    });
}

QList<QCheckBox*> CPageFinger::OptionBoxes() const
{
    QList<QCheckBox*> boxes;
    for (const COption& option : m_options)
        boxes.append(option.pBox);
    return boxes;
}

QList<QWidget*> CPageFinger::Greyed() const
{
    QList<QWidget*> widgets = {m_pPlan, m_pSoundFile, m_pBrowse, m_pTest};
    for (const COption& option : m_options)
        widgets.append(option.pBox);
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

void CPageFinger::OnBrowse()
{
    if (const auto chosen = SoundBrowse::Choose(m_context, m_pSoundFile->text())) {
        m_pSoundFile->setText(chosen->strFile);
        m_context.settings.m_strSoundPath = chosen->strFolder;
    }
}

void CPageFinger::OnTest()
{
    m_context.sound.Play(m_pSoundFile->text());
}

QString CPageFinger::PlanLines() const
{
    return m_pPlan->document()
        ->toRawText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .replace(QChar::LineSeparator, u'\n');
}

bool CPageFinger::CanApply()
{
    bool bLossless = true;
    CodePage::FromUnicode(PlanLines(), &bLossless);
    if (!m_pPlan->document()->isModified() || bLossless)
        return true;
    m_context.prompts.ShowMessage(
        tr("The custom message holds characters that Blipnote cannot keep: %1\n\n"
           "Replies use the Windows-1252 character set. Please replace these characters "
           "and try again.")
            .arg(EditorText::Unencodable(PlanLines())),
        PromptIcon::Stop);
    m_pPlan->setFocus();
    return false;
}

void CPageFinger::Apply()
{
    CAppSettings& settings = m_context.settings;
    for (const COption& option : m_options)
        settings.*option.pField = option.pBox->isChecked() ? 1 : 0;
    settings.m_nUseFingerD = m_pActive->isChecked() ? 1 : 0;
    // The plan's lines go out as the box breaks them, with bare line feeds;
    // untouched, it stays as stored.
    if (m_pPlan->document()->isModified())
        settings.m_strPlan = CodePage::FromUnicode(PlanLines());
    settings.m_strFingerSoundFile = CodePage::FromUnicode(m_pSoundFile->text());
    settings.Save(SettingsGroup::Finger);
}
