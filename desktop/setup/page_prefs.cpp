#include "desktop/setup/page_prefs.h"

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

CPagePrefs::CPagePrefs(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context),
      m_pSignature(
          new QPlainTextEdit(EditorText::LinesFromNote(context.settings.m_strSignature), this)),
      // The nickname edit does not scroll: it holds what its width shows.
      m_pNickname(TextLine(context.settings.m_strNickname, true)),
      m_pSoundFile(TextLine(context.settings.m_strSoundFile, false)),
      m_pBrowse(new QPushButton(QStringLiteral("..."), this)),
      m_pTest(new QPushButton(tr("&Test"), this))
{
    const CAppSettings& settings = context.settings;
    m_pSignature->setTabChangesFocus(true);
    m_pSignature->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_pSignature->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_pSignature->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    LongWordWrap::Watch(*m_pSignature);
    m_pBrowse->setAutoDefault(false);
    m_pTest->setAutoDefault(false);
    m_pBrowse->setFixedWidth(m_pBrowse->fontMetrics().horizontalAdvance(QStringLiteral("...")) * 3);

    const struct
    {
        const char* pszCaption;
        int CAppSettings::*pField;
    } kOptions[] = {
        {"enable signature", &CAppSettings::m_nUseSignature},
        {"enable notifysound", &CAppSettings::m_nUseSound},
        {"enable popup when incoming", &CAppSettings::m_nUsePopUp},
        {"quote to reply", &CAppSettings::m_nUseQuote},
        {"enable quote marks (>)", &CAppSettings::m_nUseQuoteMarks},
        {"include \"You wrote:\" - to reply", &CAppSettings::m_nUseYouWrote},
        {"enable priority", &CAppSettings::m_nUsePriority},
        {"autoadd new host to list ", &CAppSettings::m_nUseAutoAdd},
        {"disable Blipnote closing", &CAppSettings::m_nNoClose},
        {"allow write to InMessage", &CAppSettings::m_nWriteInMessage},
        {"del msg after sent successfully", &CAppSettings::m_nAutoDelete},
        {"minimize to trayarea", &CAppSettings::m_nUseTrayArea},
    };
    auto* pOptions = new QGroupBox(tr("Options"), this);
    auto* pOptionsLayout = new QVBoxLayout(pOptions);
    for (const auto& option : kOptions) {
        auto* pBox = new QCheckBox(tr(option.pszCaption), pOptions);
        pBox->setChecked(settings.*option.pField != 0);
        pOptionsLayout->addWidget(pBox);
        m_options.append({option.pField, pBox});
        connect(pBox, &QCheckBox::clicked, this, &CSetupPage::Changed);
    }
    pOptionsLayout->addStretch(1);
    // Without a tray there is nowhere to minimise to; the box shows the stored value.
    m_options.last().pBox->setEnabled(settings.m_nTrayAvailable != 0);

    auto* pSignatureBox = new QGroupBox(tr("Signature"), this);
    (new QVBoxLayout(pSignatureBox))->addWidget(m_pSignature);
    auto* pNicknameBox = new QGroupBox(tr("Nickname"), this);
    (new QVBoxLayout(pNicknameBox))->addWidget(m_pNickname);
    auto* pSoundBox = new QGroupBox(tr("Notifysound"), this);
    auto* pSoundLayout = new QGridLayout(pSoundBox);
    pSoundLayout->addWidget(m_pSoundFile, 0, 0);
    pSoundLayout->addWidget(m_pBrowse, 0, 1);
    pSoundLayout->addWidget(m_pTest, 1, 0, Qt::AlignLeft);

    auto* pLeft = new QVBoxLayout;
    pLeft->addWidget(pSignatureBox, 1);
    pLeft->addWidget(pNicknameBox);
    pLeft->addWidget(pSoundBox);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addLayout(pLeft, 1);
    pLayout->addWidget(pOptions, 1);

    // Connected once the controls hold their values: only the user's work counts.
    connect(m_pSignature, &QPlainTextEdit::textChanged, this, &CSetupPage::Changed);
    connect(m_pNickname, &QLineEdit::textChanged, this, &CSetupPage::Changed);
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

QLineEdit* CPagePrefs::TextLine(const QByteArray& strText, bool bFitWidth)
{
    auto* pEdit = new QLineEdit(CodePage::ToUnicode(strText), this);
    auto* pValidator = new CCodePageValidator(pEdit);
    if (bFitWidth)
        pValidator->FitTo(pEdit);
    pEdit->setValidator(pValidator);
    return pEdit;
}

QList<QCheckBox*> CPagePrefs::OptionBoxes() const
{
    QList<QCheckBox*> boxes;
    for (const COption& option : m_options)
        boxes.append(option.pBox);
    return boxes;
}

void CPagePrefs::OnBrowse()
{
    // The sound folder is shared with the finger page's browsing, at once.
    if (const auto chosen = SoundBrowse::Choose(m_context, m_pSoundFile->text())) {
        m_pSoundFile->setText(chosen->strFile);
        m_context.settings.m_strSoundPath = chosen->strFolder;
    }
}

void CPagePrefs::OnTest()
{
    m_context.sound.Play(m_pSoundFile->text());
}

QString CPagePrefs::SignatureLines() const
{
    // The raw text: the plain one turns no-break spaces into blanks.
    return m_pSignature->document()
        ->toRawText()
        .replace(QChar::ParagraphSeparator, u'\n')
        .replace(QChar::LineSeparator, u'\n');
}

bool CPagePrefs::CanApply()
{
    if (!m_pSignature->document()->isModified())
        return true;
    bool bLossless = true;
    EditorText::LinesToNote(SignatureLines(), &bLossless);
    if (bLossless)
        return true;
    m_context.prompts.ShowMessage(
        tr("The signature holds characters that Blipnote cannot keep: %1\n\n"
           "Notes use the Windows-1252 character set. Please replace these characters "
           "and try again.")
            .arg(EditorText::Unencodable(SignatureLines())),
        PromptIcon::Stop);
    m_pSignature->setFocus();
    return false;
}

void CPagePrefs::Apply()
{
    CAppSettings& settings = m_context.settings;
    for (const COption& option : m_options)
        settings.*option.pField = option.pBox->isChecked() ? 1 : 0;
    settings.m_strNickname = CodePage::FromUnicode(m_pNickname->text());
    // Untouched, the signature stays as stored, its own line breaks and all.
    if (m_pSignature->document()->isModified())
        settings.m_strSignature = EditorText::LinesToNote(SignatureLines());
    settings.m_strSoundFile = CodePage::FromUnicode(m_pSoundFile->text());
    settings.Save(SettingsGroup::Preferences);
}
