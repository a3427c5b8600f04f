#include "desktop/views/msg_out_view.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/hosts/host_book.h"
#include "core/hosts/recipient_builder.h"
#include "core/interfaces/prompts.h"
#include "core/messaging/auto_reply.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/editor_text.h"
#include "core/text/shown_text.h"
#include "desktop/presence/presence_delegate.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/recipient_model.h"
#include "desktop/views/rich_text_ctrl.h"
#include "desktop/views/view_context.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPainter>
#include <QTextCursor>

namespace {
constexpr int kHeaderHeight = 40;
constexpr int kIconSize = 16;
} // namespace

CMsgOutView::CMsgOutView(CBlipnoteDoc& doc, CViewContext& context, QWidget* pParent)
    : CNoteView(doc, context, kHeaderHeight, pParent), m_pRecipients(new QComboBox(this)),
      m_pPriority(new QCheckBox(this))
{
    Editor().CreateControl(false);

    m_pRecipients->setEditable(true);
    m_pRecipients->setInsertPolicy(QComboBox::NoInsert);
    // The box's text is exactly what the user typed or picked: matching hosts
    // are offered in a list, never written into the text ("127.0.0.1" must not
    // become "127.0.0.15").
    m_pRecipients->completer()->setCompletionMode(QCompleter::PopupCompletion);
    // Rows of one height are laid out without asking each for its size.
    for (QAbstractItemView* pList : {m_pRecipients->view(), m_pRecipients->completer()->popup()}) {
        if (auto* pListView = qobject_cast<QListView*>(pList))
            pListView->setUniformItemSizes(true);
    }
    m_pRecipients->setGeometry(Px(25), Px(8), Px(245), m_pRecipients->sizeHint().height());
    m_pPriority->setGeometry(Px(280), Px(10), m_pPriority->sizeHint().width(),
                             m_pPriority->sizeHint().height());
    m_pPriority->setToolTip(tr("High priority"));
    // Shown by icons only: a screen reader reads these names.
    m_pPriority->setAccessibleName(tr("High priority"));
    // (On Linux a combo box is read out by its text: the name goes on the
    // edit inside it, which has the focus while one types.)
    m_pRecipients->setAccessibleName(tr("Recipient"));
    m_pRecipients->lineEdit()->setAccessibleName(tr("Recipient"));

    FillRecipients();
    // Each choice with its presence beside it; the list is wider than the box
    // to hold both.
    for (QAbstractItemView* pList : {m_pRecipients->view(), m_pRecipients->completer()->popup()})
        pList->setItemDelegate(new CPresenceDelegate(pList));
    m_pRecipients->view()->setMinimumWidth(Px(360));
    PreselectRecipient();
    // A new note starts in the recipient box; Tab leads on to the priority and text.
    setFocusProxy(m_pRecipients);
    setTabOrder(m_pRecipients, m_pPriority);
    setTabOrder(m_pPriority, &Editor());
    ShowNoteText(doc.m_strBody);

    connect(m_pRecipients, &QComboBox::editTextChanged, this, [this](const QString& strText) {
        if (Document())
            Document()->m_strAddress = CodePage::FromUnicode(strText);
    });
    connect(m_pRecipients, &QComboBox::activated, this, &CMsgOutView::OnRecipientChosen);
    connect(m_pPriority, &QCheckBox::clicked, this, [this](bool bChecked) {
        if (Document())
            Document()->m_nPriority = bChecked ? 1 : 0;
        update();
    });
    connect(&doc, &CSendableNote::SendStateChanged, this, qOverload<>(&QWidget::update));
}

void CMsgOutView::FillRecipients()
{
    QStringList& cache = m_context.recipientCache;
    const CHostList& hosts = m_context.hosts.Hosts();
    if (m_context.nRecipientCacheRevision != hosts.Revision())
        cache.clear();
    if (cache.size() <= 2) {
        cache = RecipientChoices(hosts);
        m_context.nRecipientCacheRevision = hosts.Revision();
    }
    // A model over the cache, not an item per entry: a note opens as fast with a
    // hundred thousand hosts as with ten. Its entries are sorted as the completer
    // compares, so that each key typed is looked up by halving.
    m_pRecipientEntries = new CRecipientModel(cache, m_context.pPresenceTexts, m_pRecipients);
    m_pRecipients->setModel(m_pRecipientEntries);
    m_pRecipients->completer()->setModelSorting(QCompleter::CaseInsensitivelySortedModel);
}

void CMsgOutView::PreselectRecipient()
{
    const CBlipnoteDoc* pDoc = Document();
    const int nIndex =
        m_pRecipientEntries->FirstStartingWith(CodePage::ToUnicode(pDoc->m_strNickname));
    if (nIndex >= 0) {
        m_pRecipients->setCurrentIndex(nIndex);
        OnRecipientChosen();
    } else {
        m_pRecipients->setCurrentIndex(-1);
        m_pRecipients->setEditText(CodePage::ToUnicode(pDoc->m_strAddress));
    }
    // Typing into the box the note starts in replaces the preselection.
    m_pRecipients->lineEdit()->selectAll();
}

void CMsgOutView::OnRecipientChosen()
{
    m_nRecipientIcon = m_pRecipients->currentText().contains(QLatin1String("Group"))
                           ? CIconList::Group
                           : CIconList::Host;
    update(0, Px(5), Px(30), Px(25));
}

void CMsgOutView::SetRecipientText(const QByteArray& strText)
{
    const QSignalBlocker blocker(m_pRecipients); // the note's address stays as it is
    m_pRecipients->setEditText(CodePage::ToUnicode(strText));
}

void CMsgOutView::Send()
{
    CBlipnoteDoc* pDoc = Document();
    const CAppSettings& settings = m_context.settings;
    m_context.autoReply.End();
    const QString strRecipient = m_pRecipients->currentText();
    if (strRecipient.isEmpty()) {
        m_context.prompts.ShowMessage(tr("Where to send?"), PromptIcon::Question);
        return;
    }
    // Nothing typed is changed behind the user's back: refuse what cannot travel.
    const QString strUnencodable = UnencodableCharacters() + EditorText::Unencodable(strRecipient);
    if (!strUnencodable.isEmpty()) {
        m_context.prompts.ShowMessage(CBlipnoteDoc::UnencodableMessage(strUnencodable),
                                      PromptIcon::Stop);
        return;
    }
    if (settings.UseSignature()) {
        QTextCursor cursor(Editor().document());
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(EditorText::FromNote("\r\n" + settings.Signature()));
    }
    pDoc->m_strAddress =
        BuildRecipientList(m_context.hosts.Hosts(), CodePage::FromUnicode(strRecipient));
    pDoc->StartSendJobs();
    update();
}

void CMsgOutView::ChangeTitle()
{
    CBlipnoteDoc* pDoc = Document();
    // The box shows the title as the window does; taken back unchanged, it
    // leaves the note's own title whole.
    const QString strShown = CodePage::ToUnicode(ShownText::Of(pDoc->Title()));
    const std::optional<QString> title = m_context.prompts.AskText(tr("Enter new title"), strShown);
    if (!title || *title == strShown)
        return;
    bool bLossless = true;
    const QByteArray strTitle = CodePage::FromUnicode(*title, &bLossless);
    if (!bLossless) {
        m_context.prompts.ShowMessage(
            CBlipnoteDoc::UnencodableMessage(EditorText::Unencodable(*title)), PromptIcon::Stop);
        return;
    }
    pDoc->SetTitle(strTitle);
}

QList<QWidget*> CMsgOutView::Panes() const
{
    return {m_pRecipients, m_pPriority, &Editor()};
}

void CMsgOutView::FillContextMenu(QMenu& menu)
{
    menu.addAction(tr("S&end"), this, &CMsgOutView::Send);
    AddFileItems(menu);
    menu.addAction(tr("&Change Title ..."), this, &CMsgOutView::ChangeTitle);
    menu.addAction(tr("&Print ..."), this, &CNoteView::Print);
}

void CMsgOutView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawHeaderStrip(painter);
    const int nIcon = Px(kIconSize);
    CIconList::Draw(painter, m_nRecipientIcon, Px(3), Px(10), nIcon);
    CIconList::Draw(painter, CIconList::Priority, Px(296), Px(10), nIcon);
    const CBlipnoteDoc* pDoc = Document();
    const int nState = pDoc ? pDoc->m_nSendState : 0;
    if (nState != 0)
        CIconList::Draw(painter, nState > 0 ? CIconList::Delivered : CIconList::Failed, Px(310),
                        Px(10), nIcon);
}
