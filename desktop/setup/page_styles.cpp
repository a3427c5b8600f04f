#include "desktop/setup/page_styles.h"

#include "core/settings/app_settings.h"
#include "desktop/views/rich_text_ctrl.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTextCursor>
#include <QVBoxLayout>

namespace {

// A short exchange in four parts; each part begins with a word found nowhere
// before it, in any case.
const QByteArray kSample = "12:04:31  You Wrote:\r\n\r\n"
                           "Hello Bob, have you seen the new version of Blipnote?\r\n\r\n"
                           "Sure, the notes arrive faster than ever.\r\n\r\n"
                           "- Bob";
const char* const kAnchors[] = {nullptr, "Hello", "Sure", "- Bob"};

} // namespace

CPageStyles::CPageStyles(const CSetupContext& context, QWidget* pParent)
    : CSetupPage(pParent), m_context(context), m_pPreview(new CRichTextCtrl(this)),
      m_pUseRtf(new QCheckBox(tr("use RTF"), this))
{
    m_pPreview->CreateControl(true);
    m_pPreview->setAccessibleName(tr("Sample note"));
    m_pPreview->SetNoteText(kSample);
    m_pUseRtf->setChecked(context.settings.UseRtf());

    auto* pRtfBox = new QGroupBox(this);
    (new QVBoxLayout(pRtfBox))->addWidget(m_pUseRtf);
    auto* pFormats = new QGroupBox(this);
    auto* pFormatsLayout = new QVBoxLayout(pFormats);
    const struct
    {
        const char* pszCaption;
        EPart ePart;
    } kButtons[] = {
        {"&Message", Message}, {"&Header", Header}, {"&Quote", Quote}, {"&Signature", Signature}};
    for (const auto& button : kButtons) {
        QPushButton* pButton = m_parts[button.ePart] = new QPushButton(tr(button.pszCaption), this);
        pButton->setAutoDefault(false);
        pFormatsLayout->addWidget(pButton);
        connect(pButton, &QPushButton::clicked, this,
                [this, ePart = button.ePart] { OnPart(ePart); });
    }
    pFormatsLayout->addStretch(1);

    auto* pRight = new QVBoxLayout;
    pRight->addWidget(pRtfBox);
    pRight->addWidget(pFormats, 1);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(m_pPreview, 1);
    pLayout->addLayout(pRight);
}

int CPageStyles::PartStart(const CRichTextCtrl& preview, EPart ePart)
{
    return kAnchors[ePart] ? preview.FindTextPos(kAnchors[ePart]) : 0;
}

int CPageStyles::PartEnd(const CRichTextCtrl& preview, EPart ePart)
{
    return ePart == Signature ? preview.document()->characterCount() - 1
                              : PartStart(preview, static_cast<EPart>(ePart + 1));
}

void CPageStyles::OnPart(EPart ePart)
{
    QTextCursor cursor(m_pPreview->document());
    cursor.setPosition(PartStart(*m_pPreview, ePart));
    cursor.setPosition(PartEnd(*m_pPreview, ePart), QTextCursor::KeepAnchor);
    m_pPreview->setTextCursor(cursor);
    m_pPreview->ChooseSelectionFont(m_context.fontChooser);
    // The part shows in its new font, not behind the selection's colours.
    cursor.clearSelection();
    m_pPreview->setTextCursor(cursor);
}

void CPageStyles::Apply()
{
    m_context.settings.SetUseRtf(m_pUseRtf->isChecked());
    m_context.settings.Save(SettingsGroup::Styles);
}
