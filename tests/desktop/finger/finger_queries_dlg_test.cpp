#include "core/finger/finger_query_log.h"
#include "desktop/finger/finger_queries_dlg.h"

#include <QHeaderView>
#include <QTreeWidget>

#include <gtest/gtest.h>

TEST(FingerQueriesDlg, ListsTheLogAndClearsIt)
{
    CFingerQueryLog log;
    CFingerQueriesDlg empty(log);
    EXPECT_EQ(empty.windowTitle(), QStringLiteral("Blipnote - FingerDaemon"));
    EXPECT_EQ(empty.List().topLevelItemCount(), 0);
    EXPECT_EQ(empty.List().headerItem()->text(0), QStringLiteral("Time:"));
    EXPECT_EQ(empty.List().headerItem()->text(1), QStringLiteral("Query:"));
    EXPECT_EQ(empty.List().headerItem()->text(2), QStringLiteral("From:"));

    log.Append({"Mon 07/12/2026  12:00:00", "", "10.0.0.5"});
    log.Append({"Mon 07/12/2026  12:01:00", "seek-ping from bob", "10.0.0.6"});
    CFingerQueriesDlg dialog(log);
    ASSERT_EQ(dialog.List().topLevelItemCount(), 2);
    const QTreeWidgetItem* pFirst = dialog.List().topLevelItem(0);
    EXPECT_EQ(pFirst->text(1), QString());
    EXPECT_EQ(pFirst->text(2), QStringLiteral("10.0.0.5"));
    EXPECT_FALSE(pFirst->icon(0).isNull());
    EXPECT_EQ(dialog.List().topLevelItem(1)->text(1), QStringLiteral("seek-ping from bob"));

    dialog.OnClearAll();
    EXPECT_EQ(dialog.List().topLevelItemCount(), 0);
    EXPECT_TRUE(log.Rows().isEmpty());
    log.Append({"t", "after", "10.0.0.7"});
    CFingerQueriesDlg reopened(log);
    ASSERT_EQ(reopened.List().topLevelItemCount(), 1);
    EXPECT_EQ(reopened.List().topLevelItem(0)->text(1), QStringLiteral("after"));
}
