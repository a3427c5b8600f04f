#include "desktop/setup/page_prefs.h"

#include "core/interfaces/prompts.h"
#include "core/interfaces/sound_player.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/editor_text.h"
#include "desktop/app/autostart_entry.h"
#include "desktop/setup/code_page_validator.h"
#include "desktop/setup/history_keeping_box.h"
#include "desktop/setup/lines_edit.h"
#include "desktop/setup/setting_boxes.h"
#include "desktop/setup/sound_file_box.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QVBoxLayout>

CPagePrefs::CPagePrefs(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context),
      m_pSignature(new CLinesEdit(context.settings.Signature(), this)),
      // The nickname edit does not scroll: it holds what its width shows.
      m_pNickname(TextLine(context.settings.Nickname(), true)),
      m_pSound(new CSoundFileBox(context, context.settings.SoundFile(),
                                 CSoundFileBox::EFolder::OnApply, this))
{
    const CAppSettings& settings = context.settings;

    static constexpr CSettingBoxes::COption kOptions[] = {
        {"enable signature", ESetting::UseSignature},
        {"enable notifysound", ESetting::UseSound},
        {"enable popup when incoming", ESetting::UsePopUp},
        {"quote to reply", ESetting::UseQuote},
        {"enable quote marks (>)", ESetting::UseQuoteMarks},
        {"include \"You wrote:\" - to reply", ESetting::UseYouWrote},
        {"enable priority", ESetting::UsePriority},
        {"autoadd new host to list ", ESetting::UseAutoAdd},
        {"disable Blipnote closing", ESetting::NoClose},
        {"allow write to InMessage", ESetting::WriteInMessage},
        {"del msg after sent successfully", ESetting::AutoDelete},
        {"minimize to trayarea", ESetting::UseTrayArea},
    };
    m_pOptions = new CSettingBoxes(tr("Options"), kOptions, settings, this);
    // Without a tray there is nowhere to minimise to; the box shows the stored value.
    m_pOptions->Boxes().last()->setEnabled(context.bTrayAvailable);

    // Beside the options above, kept in a section of their own.
    static constexpr CSettingBoxes::COption kDesktopOptions[] = {
        {"show desktop notifications", ESetting::UseNotifications},
    };
    m_pDesktop = new CSettingBoxes(tr("Desktop"), kDesktopOptions, settings, this, Qt::Horizontal);
    m_pDesktop->Boxes().first()->setToolTip(
        tr("A desktop notification tells of a note that arrives while you are not looking at "
           "Blipnote; clicking it opens the note."));
    if (context.pAutostart) {
        m_pLoginStart = new QCheckBox(tr("Start Blipnote when I log in"), m_pDesktop);
        m_pLoginStart->setChecked(context.pAutostart->IsOn());
        m_pLoginStart->setToolTip(tr("Blipnote starts in the tray when you log in, so that notes "
                                     "are received from then on."));
        auto* pRow = static_cast<QBoxLayout*>(m_pDesktop->layout());
        pRow->insertWidget(pRow->count() - 1, m_pLoginStart); // before the stretch
        connect(m_pLoginStart, &QCheckBox::clicked, this, &CSetupPage::Changed);
    }

    m_pHistory = new CHistoryKeepingBox(settings, this);

    auto* pSignatureBox = new QGroupBox(tr("Signature"), this);
    (new QVBoxLayout(pSignatureBox))->addWidget(m_pSignature);
    auto* pNicknameBox = new QGroupBox(tr("Nickname"), this);
    (new QVBoxLayout(pNicknameBox))->addWidget(m_pNickname);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pSignatureBox, 1);
    pLeft->addWidget(pNicknameBox);
    pLeft->addWidget(m_pSound);
    auto* pColumns = new QHBoxLayout;
    pColumns->addLayout(pLeft, 1);
    pColumns->addWidget(m_pOptions, 1);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pColumns, 1);
    pLayout->addWidget(m_pDesktop);
    pLayout->addWidget(m_pHistory);

    // Connected once the controls hold their values: only the user's work counts.
    connect(m_pSignature, &QPlainTextEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pNickname, &QLineEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pSound, &CSoundFileBox::Changed, this, &CSetupPage::Changed);
    connect(m_pOptions, &CSettingBoxes::Changed, this, &CSetupPage::Changed);
    connect(m_pDesktop, &CSettingBoxes::Changed, this, &CSetupPage::Changed);
    connect(m_pHistory, &CHistoryKeepingBox::Changed, this, &CSetupPage::Changed);
}

QLineEdit* CPagePrefs::TextLine(const QByteArray& strText, bool bFitWidth)
{
    auto* pEdit = new QLineEdit(CodePage::ToUnicode(strText), this);
    auto* pValidator = new CCodePageValidator(pEdit);
    if (bFitWidth)
        pValidator->FitTo(pEdit);
    pEdit->setValidator(pValidator);
    return pEdit;
}

bool CPagePrefs::CanApply()
{
    return m_pSignature->CanStore(m_context.prompts, tr("The signature"), tr("Notes"));
}

void CPagePrefs::Apply()
{
    CAppSettings& settings = m_context.settings;
    m_pOptions->Store(settings);
    settings.SetNickname(CodePage::FromUnicode(m_pNickname->text()));
    // Untouched, the signature stays as stored, its own line breaks and all.
    if (m_pSignature->IsEdited())
        settings.SetSignature(EditorText::LinesToNote(m_pSignature->Lines()));
    settings.SetSoundFile(m_pSound->File());
    if (m_pSound->ChosenFolder())
        settings.SetSoundPath(*m_pSound->ChosenFolder());
    settings.Save(SettingsGroup::Preferences);
    m_pDesktop->Store(settings);
    m_pHistory->Store(settings);
    settings.Save(SettingsGroup::Desktop);
    if (m_pLoginStart && m_pLoginStart->isChecked() != m_context.pAutostart->IsOn()) {
        QString strError;
        if (!m_context.pAutostart->Set(m_pLoginStart->isChecked(), &strError)) {
            m_context.prompts.ShowMessage(tr("The start at login cannot be changed: %1\n(%2)")
                                              .arg(strError, m_context.pAutostart->Path()),
                                          PromptIcon::Warning);
            m_pLoginStart->setChecked(m_context.pAutostart->IsOn());
        }
    }
}
