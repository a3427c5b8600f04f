#include "desktop/views/msg_in_view.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/messaging/auto_reply.h"
#include "core/notes/tagged_text.h"
#include "core/settings/app_settings.h"
#include "core/text/code_page.h"
#include "core/text/quote_text.h"
#include "core/text/shown_text.h"
#include "desktop/resources/icon_list.h"
#include "desktop/views/rich_text_ctrl.h"
#include "desktop/views/view_context.h"

#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QStyleOptionFrame>

namespace {
constexpr int kHeaderHeight = 60;
constexpr int kIconSize = 16;
// The sunken frames around the four fields: left, top, right, bottom.
constexpr int kFrames[4][4] = {
    {23, 6, 160, 26}, {188, 6, 320, 26}, {23, 30, 160, 50}, {188, 30, 300, 50}};
} // namespace

CMsgInView::CMsgInView(CBlipnoteDoc& doc, CViewContext& context, QWidget* pParent)
    : CNoteView(doc, context, kHeaderHeight, pParent)
{
    Editor().CreateControl(!context.settings.WriteInMessage());
    m_pNickname = AddField(27, 7, 131, doc.m_strNickname, tr("Nickname"));
    m_pTime = AddField(27, 31, 131, doc.m_strTime, tr("Time"));
    m_pSystem = AddField(192, 7, 126, doc.m_strSystem, tr("Computer"));
    m_pAddress = AddField(192, 31, 106, doc.m_strAddress, tr("Address"));
    ShowNoteText(doc.m_strBody);
}

QLabel* CMsgInView::AddField(int x, int y, int nWidth, const QByteArray& strText,
                             const QString& strCaption)
{
    auto* pLabel = new QLabel(this);
    // What the sender wrote is shown as it stands (a long text cut short),
    // never read as markup (an image tag would have the program load any file,
    // or /dev/zero).
    pLabel->setTextFormat(Qt::PlainText);
    pLabel->setText(CodePage::ToUnicode(ShownText::Of(strText)));
    pLabel->setGeometry(Px(x), Px(y), Px(nWidth), Px(18));
    pLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pLabel->setToolTip(
        QStringLiteral("<p style='white-space:pre'>%1</p>").arg(pLabel->text().toHtmlEscaped()));
    // The icon beside it says what it is; a screen reader says it in words.
    pLabel->setAccessibleName(QStringLiteral("%1: %2").arg(strCaption, pLabel->text()));
    return pLabel;
}

QString CMsgInView::NicknameText() const
{
    return m_pNickname->text();
}

QString CMsgInView::TimeText() const
{
    return m_pTime->text();
}

QString CMsgInView::SystemText() const
{
    return m_pSystem->text();
}

QString CMsgInView::AddressText() const
{
    return m_pAddress->text();
}

bool CMsgInView::ShowsPriorityMark() const
{
    return Document() && Document()->m_nPriority != 0;
}

CBlipnoteDoc* CMsgInView::Reply()
{
    CBlipnoteDoc* pDoc = Document();
    const CAppSettings& settings = m_context.settings;
    m_context.autoReply.End();

    // The text as it is shown (edits made in a writable view are answered), every
    // character as the reader sees it.
    QString strQuote = Editor().Text();
    if (settings.UseQuote()) {
        if (settings.UseQuoteMarks())
            strQuote = QuoteText(strQuote);
        if (settings.UseYouWrote())
            strQuote = CodePage::ToUnicode(pDoc->m_strTime) + QStringLiteral("  You Wrote:\r\n") +
                       strQuote;
    } else {
        strQuote.clear();
    }
    bool bLossless = true;
    const QByteArray strReply = TaggedText::ComposeWithAddress(
        {pDoc->m_strNickname, CodePage::FromUnicode(strQuote, &bLossless),
         m_context.docContext.identity().strComputerName, pDoc->m_strSubject, 0},
        pDoc->m_strAddress);
    // The person answered is in the host list already, or meant to stay out of it.
    CBlipnoteDoc* pReply =
        m_context.documents.NewNote(EDocKind::MessageOut, strReply, {.bAddSender = false});
    // Characters the code page cannot hold stay as they were shown: the check
    // before sending names them, instead of "?" going out.
    if (CNoteView* pView = pReply ? NoteViewOf(*pReply) : nullptr; pView && !bLossless)
        pView->SetEditorText(strQuote);
    return pReply;
}

void CMsgInView::FillContextMenu(QMenu& menu)
{
    menu.addAction(tr("&Reply"), this, &CMsgInView::Reply);
    AddFileItems(menu);
    menu.addAction(tr("&Print ..."), this, &CNoteView::Print);
}

void CMsgInView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    DrawHeaderStrip(painter);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.lineWidth = 1;
    frame.state |= QStyle::State_Sunken;
    for (const auto& rect : kFrames) {
        frame.rect = QRect(QPoint(Px(rect[0]), Px(rect[1])), QPoint(Px(rect[2]), Px(rect[3])));
        painter.fillRect(frame.rect, palette().base());
        style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
    }
    const int nIcon = Px(kIconSize);
    CIconList::Draw(painter, CIconList::Nickname, Px(4), Px(8), nIcon);
    CIconList::Draw(painter, CIconList::Time, Px(4), Px(31), nIcon);
    CIconList::Draw(painter, CIconList::Computer, Px(169), Px(8), nIcon);
    CIconList::Draw(painter, CIconList::Address, Px(169), Px(31), nIcon);
    if (ShowsPriorityMark())
        CIconList::Draw(painter, CIconList::Priority, Px(305), Px(32), nIcon);
}
