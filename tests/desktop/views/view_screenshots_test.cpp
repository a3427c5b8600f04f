// Renders the note windows as a person sees them into screens/ (in the test's
// working folder): the pictures in docs/ come from here.
#include "core/messaging/blipnote_doc.h"
#include "core/messaging/doc_context.h"
#include "core/messaging/doc_manager.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/views/msg_in_view.h"
#include "desktop/views/msg_out_view.h"
#include "desktop/views/view_context.h"
#include "tests/support/event_log.h"
#include "tests/support/note_views_fixture.h"

#include <QComboBox>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

class ViewScreenshots : public CNoteViewsFixture
{
protected:
    ViewScreenshots()
    {
        m_settings.m_nNoteSizeLimit = 110000;
        m_settings.m_hosts.Replace({{"ann", "10.0.0.5", "office"},
                                    {"bob", "10.0.0.6", "office"},
                                    {"carol", "10.0.0.7", "lab"}});
        QDir().mkpath(QStringLiteral("screens"));
    }

    CBlipnoteDoc& Incoming(const QByteArray& strText)
    {
        CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageIn, strText);
        pDoc->m_strTime = "07.12.26  12:04:31";
        return *pDoc;
    }

    static void Save(QWidget& view, const char* pszName)
    {
        view.resize(560, 300);
        view.show();
        EXPECT_TRUE(view.grab().save(QStringLiteral("screens/%1.png").arg(QLatin1String(pszName))));
    }
};

} // namespace

TEST_F(ViewScreenshots, ComposeView)
{
    CBlipnoteDoc* pDoc = m_docs.NewNote(EDocKind::MessageOut);
    pDoc->m_strNickname = "bob";
    pDoc->m_strBody = "Hi Bob,\r\n\r\nshall we go for lunch at noon? The new place on the corner "
                      "has a table by the window.\r\n\r\n-- ann";
    pDoc->m_nSendState = 1;
    CMsgOutView view(*pDoc, m_viewContext);
    Save(view, "compose_view");
}

TEST_F(ViewScreenshots, IncomingViews)
{
    CMsgInView plain(Incoming("ann/$0Hi Bob,\r\n\r\nshall we go for lunch at noon?\r\n\r\n-- "
                              "ann/$1PC7/$2Lunch/$30/$4/$510.0.0.5/$6"),
                     m_viewContext);
    Save(plain, "incoming_plain");

    QFile rich(QStringLiteral(BLIPNOTE_TEST_DATA_DIR "/libreoffice_formats.rtf"));
    ASSERT_TRUE(rich.open(QIODevice::ReadOnly));
    CMsgInView formatted(
        Incoming("carol/$0" + rich.readAll() + "/$1LAB-2/$2Formats/$30/$4/$510.0.0.7/$6"),
        m_viewContext);
    Save(formatted, "incoming_rich");

    CMsgInView urgent(Incoming("bob/$0The server room is flooding - please come at "
                               "once!/$1DESK-4/$2Urgent/$31/$4/$510.0.0.6/$6"),
                      m_viewContext);
    Save(urgent, "incoming_priority");
}
