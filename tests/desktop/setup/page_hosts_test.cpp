// The Hosts page and the range dialog, worked with keys and the mouse: rows
// loaded into the edits, edited in place, added, removed and created as ranges,
// and what Apply stores.
#include "desktop/setup/host_range_dlg.h"
#include "desktop/setup/host_rows_model.h"
#include "desktop/setup/page_hosts.h"
#include "tests/desktop/setup/setup_sheet_fixture.h"

#include <QApplication>
#include <QClipboard>
#include <QPushButton>
#include <QTreeView>

#include <vector>

namespace {

QStringList Texts(std::initializer_list<const char*> texts)
{
    QStringList list;
    for (const char* pszText : texts)
        list.append(QString::fromUtf8(pszText));
    return list;
}

class PageHostsTest : public CSetupSheetFixture
{
protected:
    CPageHosts& OpenHosts(const QList<CHostEntry>& hosts = {{"ann", "10.0.0.5", "office"},
                                                            {"bob", "10.0.0.6", "office"},
                                                            {"carol", "10.0.0.7", "lab"}})
    {
        LoadSettings();
        m_hosts.Replace(hosts);
        Open();
        return ShowTab<CPageHosts>(1);
    }

    static void ClickRow(CPageHosts& page, int nRow)
    {
        const QRect rect = page.List().visualRect(page.Rows().index(nRow, 1));
        QTest::mouseClick(page.List().viewport(), Qt::LeftButton, {}, rect.center());
    }

    static QStringList Edits(const CPageHosts& page)
    {
        return {page.NicknameEdit().text(), page.AddressEdit().text(), page.GroupEdit().text()};
    }

    QByteArray Stored(int nEntry) const
    {
        return m_store.ReadText(QStringLiteral("Hosts"), QStringLiteral("Host %1").arg(nEntry), {});
    }

    // Fills the range dialog that "&Create range" opens, by keys, and creates.
    // (nullptr: an octet left untouched)
    static void CreateRange(CPageHosts& page, const std::vector<const char*>& octets,
                            const QString& strGroup)
    {
        EXPECT_TRUE(CDesktopAppFixture::OnModal(
            [&page] { Click(page.CreateRangeButton()); },
            [&octets, &strGroup](QWidget& modal) {
                auto* pRange = qobject_cast<CHostRangeDlg*>(&modal);
                ASSERT_NE(pRange, nullptr);
                EXPECT_EQ(pRange->windowTitle(), QStringLiteral("Create range of new hosts"));
                EXPECT_EQ(pRange->GroupEdit().text(), QStringLiteral("default"));
                for (int n = 0; n < static_cast<int>(octets.size()); ++n) {
                    if (octets[n])
                        QTest::keyClicks(&pRange->Octet(n), QString::fromLatin1(octets[n]));
                }
                Retype(pRange->GroupEdit(), strGroup);
                QTest::keyClick(&pRange->GroupEdit(), Qt::Key_Return); // Create is the default
            }));
    }
};

} // namespace

TEST_F(PageHostsTest, ClicksAndKeysLoadTheRowIntoTheEdits)
{
    CPageHosts& page = OpenHosts();
    EXPECT_EQ(page.CurrentRow(), -1);
    EXPECT_EQ(page.Rows().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Nickname"));
    EXPECT_EQ(page.Rows().headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("IP-Address"));
    EXPECT_EQ(page.Rows().headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
              QStringLiteral("Group"));

    ClickRow(page, 1);
    EXPECT_EQ(Edits(page), Texts({"bob", "10.0.0.6", "office"}));
    QTest::keyClick(&page.List(), Qt::Key_End);
    EXPECT_EQ(Edits(page), Texts({"carol", "10.0.0.7", "lab"}));
    QTest::keyClick(&page.List(), Qt::Key_Home);
    EXPECT_EQ(Edits(page), Texts({"ann", "10.0.0.5", "office"}));
    QTest::keyClick(&page.List(), Qt::Key_Down);
    EXPECT_EQ(Edits(page), Texts({"bob", "10.0.0.6", "office"}));
    QTest::keyClick(&page.List(), Qt::Key_Up);
    QTest::keyClick(&page.List(), Qt::Key_Up); // row 0 at the top
    EXPECT_EQ(Edits(page), Texts({"ann", "10.0.0.5", "office"}));
    EXPECT_EQ(page.List().currentIndex().row(), 0);
    // Moving through rows is no change.
    EXPECT_FALSE(m_pSheet->ApplyButton().isEnabled());
}

TEST_F(PageHostsTest, WithoutASelectionKeysMoveOnFromTheHighlightedRow)
{
    CPageHosts& page = OpenHosts();
    ClickRow(page, 1);
    // A click below the rows takes the selection away; Down then goes on from
    // where the list stands, and the edits load the row it highlights.
    const QRect last = page.List().visualRect(page.Rows().index(2, 1));
    QTest::mouseClick(page.List().viewport(), Qt::LeftButton, {},
                      QPoint(last.center().x(), last.bottom() + 40));
    QTest::keyClick(&page.List(), Qt::Key_Down);
    EXPECT_EQ(page.List().currentIndex().row(), 2);
    EXPECT_EQ(Edits(page), Texts({"carol", "10.0.0.7", "lab"}));
}

TEST_F(PageHostsTest, TypingChangesTheCurrentRowAtOnce)
{
    CPageHosts& page = OpenHosts();
    ClickRow(page, 1);
    Retype(page.NicknameEdit(), QStringLiteral("robert"));
    EXPECT_EQ(page.Rows().Rows()[1].strNickname, "robert");
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());
    Retype(page.GroupEdit(), QString());
    EXPECT_EQ(page.Rows().Rows()[1].strGroup, "default");
    EXPECT_EQ(page.GroupEdit().text(), QString());
    // The separators of a stored entry cannot be typed.
    Retype(page.AddressEdit(), QStringLiteral("10/$1.0"));
    EXPECT_FALSE(page.AddressEdit().text().contains(QStringLiteral("/$1")));
    EXPECT_EQ(m_hosts.Hosts().Entries()[1].strNickname, "bob"); // until applied
}

TEST_F(PageHostsTest, WithoutACurrentRowTypingWaitsForTheRowAddedNext)
{
    CPageHosts& page = OpenHosts();
    const QList<CHostEntry> before = page.Rows().Rows();
    Retype(page.NicknameEdit(), QStringLiteral("dan"));
    Retype(page.AddressEdit(), QStringLiteral("10.0.0.4"));
    EXPECT_EQ(page.Rows().Rows(), before);
    Click(page.AddButton());
    ASSERT_EQ(page.Rows().rowCount(), 4);
    EXPECT_EQ(page.Rows().Rows()[3], (CHostEntry{"dan", "10.0.0.4", "default"}));
    // The edits clear for the next host, and typing it by keys leaves the one
    // just added as it is.
    EXPECT_EQ(Edits(page), QStringList({{}, {}, {}}));
    EXPECT_TRUE(page.NicknameEdit().hasFocus());
    QTest::keyClicks(&page.NicknameEdit(), QStringLiteral("erin"));
    QTest::keyClick(&page.NicknameEdit(), Qt::Key_Tab);
    QTest::keyClicks(&page.AddressEdit(), QStringLiteral("10.0.0.5"));
    QTest::keyClick(&page.AddressEdit(), Qt::Key_Tab);
    QTest::keyClicks(&page.GroupEdit(), QStringLiteral("lab"));
    EXPECT_EQ(page.Rows().Rows()[3], (CHostEntry{"dan", "10.0.0.4", "default"}));
    Click(page.AddButton());
    ASSERT_EQ(page.Rows().rowCount(), 5);
    EXPECT_EQ(page.Rows().Rows()[4], (CHostEntry{"erin", "10.0.0.5", "lab"}));

    // Add while a row is being edited appends a copy of it; the edits go on
    // changing that row.
    ClickRow(page, 0);
    Click(page.AddButton());
    ASSERT_EQ(page.Rows().rowCount(), 6);
    EXPECT_EQ(page.Rows().Rows()[5], page.Rows().Rows()[0]);
    Retype(page.GroupEdit(), QStringLiteral("office2"));
    EXPECT_EQ(page.Rows().Rows()[0].strGroup, "office2");
    EXPECT_NE(page.Rows().Rows()[5].strGroup, "office2");

    // A click below the rows leaves that row: the boxes are for a new host.
    QWidget* pViewport = page.List().viewport();
    QTest::mouseClick(pViewport, Qt::LeftButton, {}, QPoint(10, pViewport->height() - 3));
    EXPECT_EQ(Edits(page), QStringList({{}, {}, {}}));
    Retype(page.NicknameEdit(), QStringLiteral("gina"));
    Retype(page.AddressEdit(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(page.Rows().Rows()[0].strNickname, "ann");
    Click(page.AddButton());
    EXPECT_EQ(page.Rows().Rows().last(), (CHostEntry{"gina", "10.0.0.7", "default"}));
}

TEST_F(PageHostsTest, EnterAddsTheHostTypedForANewRowAndOtherwiseConfirms)
{
    CPageHosts& page = OpenHosts();
    page.NicknameEdit().setFocus();
    QTest::keyClicks(&page.NicknameEdit(), QStringLiteral("dan"));
    QTest::keyClicks(&page.AddressEdit(), QStringLiteral("10.0.0.4"));
    QTest::keyClick(&page.AddressEdit(), Qt::Key_Return);
    EXPECT_TRUE(m_pSheet->isVisible());
    ASSERT_EQ(page.Rows().rowCount(), 4);
    EXPECT_EQ(page.Rows().Rows()[3], (CHostEntry{"dan", "10.0.0.4", "default"}));
    // Editing a row, Enter is the sheet's OK.
    ClickRow(page, 0);
    Retype(page.NicknameEdit(), QStringLiteral("annie"));
    QTest::keyClick(&page.NicknameEdit(), Qt::Key_Return);
    EXPECT_FALSE(m_pSheet->isVisible());
    EXPECT_EQ(m_hosts.Hosts().Entries()[0].strNickname, "annie");
    EXPECT_EQ(m_hosts.Hosts().Count(), 4);
}

TEST_F(PageHostsTest, AddNeedsANameAndAnAddressAndAddsTheSameHostTwice)
{
    CPageHosts& page = OpenHosts({});
    const quint64 nLoaded = m_hosts.Hosts().Revision();
    Retype(page.NicknameEdit(), QStringLiteral("dan"));
    Click(page.AddButton());
    EXPECT_EQ(
        m_prompts.Boxes(),
        QStringList({QStringLiteral("At least name- and IP-addres -fields \nmust be filled!")}));
    EXPECT_EQ(page.Rows().rowCount(), 0);

    Retype(page.AddressEdit(), QStringLiteral("10.0.0.4"));
    Click(page.AddButton());
    Retype(page.NicknameEdit(), QStringLiteral("dan"));
    Retype(page.AddressEdit(), QStringLiteral("10.0.0.4"));
    Click(page.AddButton());
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored(0), "dan/$010.0.0.4/$1default/$2");
    EXPECT_EQ(Stored(1), "dan/$010.0.0.4/$1default/$2");
    EXPECT_EQ(m_hosts.Hosts().Count(), 2);
    EXPECT_NE(m_hosts.Hosts().Revision(), nLoaded);
}

TEST_F(PageHostsTest, RemovingRowsAndApplyingAnEmptyListEmptiesTheStoredOne)
{
    LoadSettings();
    // A stored list with a gap: what lies beyond it is not the list's.
    for (int n : {0, 1, 2, 4})
        m_store.WriteText(QStringLiteral("Hosts"), QStringLiteral("Host %1").arg(n),
                          "h/$010.0.0.9/$1default/$2");
    m_settings.Load();
    m_hosts.Load();
    Open();
    CPageHosts& page = ShowTab<CPageHosts>(1);
    ASSERT_EQ(page.Rows().rowCount(), 3);
    ClickRow(page, 0);
    QTest::keyClick(&page.List(), Qt::Key_Delete);
    EXPECT_EQ(page.Rows().rowCount(), 2);
    EXPECT_TRUE(m_pSheet->ApplyButton().isEnabled());
    ClickRow(page, 0);
    Click(page.RemoveButton());
    EXPECT_EQ(page.Rows().rowCount(), 1);
    Click(page.RemoveAllButton());
    EXPECT_EQ(page.Rows().rowCount(), 0);
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_hosts.Hosts().Count(), 0);
    for (int n : {0, 1, 2, 3})
        EXPECT_FALSE(m_store.Contains(QStringLiteral("Hosts"), QStringLiteral("Host %1").arg(n)));
    EXPECT_TRUE(m_store.Contains(QStringLiteral("Hosts"), QStringLiteral("Host 4")));
}

TEST_F(PageHostsTest, TheEditsFollowTheirRowWhenRowsAreRemoved)
{
    CPageHosts& page = OpenHosts();
    ClickRow(page, 2); // carol
    // Page Up moves the selection only; Delete removes the selected row above.
    QTest::keyClick(&page.List(), Qt::Key_PageUp);
    ASSERT_EQ(page.List().currentIndex().row(), 0);
    QTest::keyClick(&page.List(), Qt::Key_Delete);
    Retype(page.NicknameEdit(), QStringLiteral("caroline"));
    EXPECT_EQ(page.Rows().Rows()[1].strNickname, "caroline");
    EXPECT_EQ(page.Rows().Rows()[0].strNickname, "bob");

    // Once its row is gone the edits show none, and typing changes no other row.
    ClickRow(page, 1);
    Click(page.RemoveButton());
    EXPECT_EQ(Edits(page), QStringList({QString(), QString(), QString()}));
    Retype(page.NicknameEdit(), QStringLiteral("nobody"));
    EXPECT_EQ(page.Rows().Rows(), (QList<CHostEntry>{{"bob", "10.0.0.6", "office"}}));
}

TEST_F(PageHostsTest, AClearedNicknameComesBackAsTheWholeStoredText)
{
    CPageHosts& page = OpenHosts();
    ClickRow(page, 0);
    Retype(page.NicknameEdit(), QString());
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored(0), "/$010.0.0.5/$1office/$2");
    CHostBook next(m_store);
    next.Load();
    EXPECT_EQ(next.Hosts().Entries()[0],
              (CHostEntry{"/$010.0.0.5/$1office/$2", "/$010.0.0.5/$1office/$2", "default"}));
}

TEST_F(PageHostsTest, TheRangeDialogAppendsItsRowsWhichJoinTheListWhenApplied)
{
    CPageHosts& page = OpenHosts();
    CreateRange(page, {"10", "0", "0", "250", "255"}, QString());
    ASSERT_EQ(page.Rows().rowCount(), 9);
    EXPECT_EQ(page.Rows().Rows()[3], (CHostEntry{"10.0.0.250", "10.0.0.250", "default"}));
    EXPECT_EQ(page.Rows().Rows()[8], (CHostEntry{"10.0.0.255", "10.0.0.255", "default"}));
    EXPECT_EQ(m_hosts.Hosts().Count(), 3);

    CreateRange(page, {"10", "0", "0", "9", "5"}, QStringLiteral("lab"));
    EXPECT_EQ(page.Rows().rowCount(), 9);
    // Untouched first octets are taken as they stand.
    CreateRange(page, {nullptr, nullptr, nullptr, "7", "7"}, QStringLiteral("lab"));
    ASSERT_EQ(page.Rows().rowCount(), 10);
    EXPECT_EQ(page.Rows().Rows()[9], (CHostEntry{"...7", "...7", "lab"}));

    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_hosts.Hosts().Count(), 10);
    EXPECT_EQ(Stored(9), "...7/$0...7/$1lab/$2");
}

TEST_F(PageHostsTest, OctetsShowTheirValueAsTheyAreTyped)
{
    CHostRangeDlg dialog(nullptr);
    dialog.show();
    QLineEdit& octet = dialog.Octet(0);
    QTest::keyClicks(&octet, QStringLiteral("300"));
    EXPECT_EQ(octet.text(), QStringLiteral("255"));
    Retype(octet, QStringLiteral("-"));
    EXPECT_EQ(octet.text(), QStringLiteral("0"));
    Retype(octet, QStringLiteral("007"));
    EXPECT_EQ(octet.text(), QStringLiteral("7"));
    QTest::keyClicks(&octet, QStringLiteral("x"));
    EXPECT_EQ(octet.text(), QStringLiteral("7"));
    QApplication::clipboard()->setText(QStringLiteral("-4"));
    octet.selectAll();
    QTest::keyClick(&octet, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(octet.text(), QStringLiteral("0"));
    EXPECT_EQ(dialog.Octet(1).text(), QString()); // the others stay as they were
    // An address typed at once goes on from octet to octet.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    Retype(octet, QString());
    for (const QChar ch : QStringLiteral("10.0.0.250"))
        QTest::keyClicks(QApplication::focusWidget(), QString(ch));
    EXPECT_EQ(Texts({"10", "0", "0", "250"}),
              QStringList({dialog.Octet(0).text(), dialog.Octet(1).text(), dialog.Octet(2).text(),
                           dialog.Octet(3).text()}));
    QTest::mouseClick(&dialog.CancelButton(), Qt::LeftButton);
    EXPECT_TRUE(dialog.Rows().isEmpty());
}

TEST_F(PageHostsTest, ApplyingReplacesSendersAddedWhileTheSheetWasOpen)
{
    CPageHosts& page = OpenHosts();
    EXPECT_EQ(m_hosts.AddUnknownSender("zed", "10.0.0.99", m_settings.UseAutoAdd()), "zed");
    EXPECT_EQ(m_hosts.Hosts().Count(), 4);
    EXPECT_EQ(page.Rows().rowCount(), 3);
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_hosts.Hosts().Count(), 3);
    EXPECT_FALSE(m_hosts.HasUnsavedChanges());
    EXPECT_FALSE(m_store.Contains(QStringLiteral("Hosts"), QStringLiteral("Host 3")));
}

TEST_F(PageHostsTest, OkWithoutChangesLeavesEntriesThatReadOddAsTheyWere)
{
    LoadSettings();
    const QString strHosts = QStringLiteral("Hosts");
    // An address and a group too short to count: read as the whole text and
    // "default", but written back as they stand.
    m_store.WriteText(strHosts, QStringLiteral("Host 0"), "x/$0ab/$1grp/$2");
    m_store.WriteText(strHosts, QStringLiteral("Host 1"), "y/$0127.0.0.5/$1g1/$2");
    m_settings.Load();
    m_hosts.Load();
    Open();
    ShowTab<CPageHosts>(1);
    Click(m_pSheet->OkButton());
    Open();
    ShowTab<CPageHosts>(1);
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored(0), "x/$0ab/$1grp/$2");
    EXPECT_EQ(Stored(1), "y/$0127.0.0.5/$1g1/$2");
}

TEST_F(PageHostsTest, AHugeEntryIsShownByItsBeginningAndKeptWhole)
{
    const QByteArray strHuge(1 << 20, 'n');
    CPageHosts& page = OpenHosts({{strHuge, strHuge, "lab"}});
    EXPECT_LE(page.Rows().index(0, 0).data().toString().size(), 1024);
    ClickRow(page, 0);
    Click(m_pSheet->OkButton());
    EXPECT_EQ(m_hosts.Hosts().Entries()[0].strNickname, strHuge);
}

TEST_F(PageHostsTest, EightThousandHostsAreShownEditedAndStored)
{
    QList<CHostEntry> hosts;
    for (int n = 0; n < 8000; ++n) {
        const QByteArray strAddress =
            "10.0." + QByteArray::number(n / 256) + '.' + QByteArray::number(n % 256);
        hosts.append({"pc" + QByteArray::number(n), strAddress, "default"});
    }
    CPageHosts& page = OpenHosts(hosts);
    EXPECT_EQ(page.Rows().rowCount(), 8000);
    page.List().setFocus();
    QTest::keyClick(&page.List(), Qt::Key_End);
    EXPECT_EQ(page.NicknameEdit().text(), QStringLiteral("pc7999"));
    Retype(page.NicknameEdit(), QStringLiteral("last"));
    Click(m_pSheet->OkButton());
    EXPECT_EQ(Stored(7999), "last/$010.0.31.63/$1default/$2");
}
