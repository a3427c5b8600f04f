// The windows as a screen reader sees them: every control of the note windows,
// the setup sheet and the Seeker has a name to read out, from its caption (a
// buddy label beside it) or its own.
#include "desktop/app/blipnote_app.h"
#include "desktop/app/child_frame.h"
#include "desktop/app/main_frame.h"
#include "desktop/finger/seeker_dlg.h"
#include "desktop/setup/setup_sheet.h"
#include "tests/support/accessible_tree.h"
#include "tests/support/desktop_app_fixture.h"
#include "tests/support/sample_notes.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QLabel>
#include <QTabWidget>

#include <algorithm>

namespace {

class AccessibilityTest : public CDesktopAppFixture
{
protected:
    void SetUp() override
    {
        Installed();
        ASSERT_TRUE(Start());
        ASSERT_TRUE(ActivateMainWindow());
    }

    static QString NameOf(QWidget& widget)
    {
        return QAccessible::queryAccessibleInterface(&widget)->text(QAccessible::Name);
    }
};

} // namespace

TEST_F(AccessibilityTest, NoteWindowsNameEveryField)
{
    Choose(QStringLiteral("&File"), QStringLiteral("&New"));
    Deliver(SampleNotes::LunchFrom5);
    ASSERT_EQ(NoteWindows(), 2);
    QStringList names;
    for (CChildFrame* pFrame : m_pApp->MainFrame().NoteWindows()) {
        EXPECT_EQ(UnnamedControls(*pFrame), QStringList()) << pFrame->windowTitle().toStdString();
        for (QWidget* pWidget : pFrame->findChildren<QWidget*>())
            names.append(NameOf(*pWidget));
    }
    // The header, shown with icons, is read out in words.
    for (const char* pszName : {"Recipient", "High priority", "Note text", "Nickname: ann",
                                "Computer: PC7", "Time: ", "Address: "})
        EXPECT_TRUE(std::ranges::any_of(names,
                                        [pszName](const QString& strName) {
                                            return strName.startsWith(QLatin1String(pszName));
                                        }))
            << pszName << " in " << names.join(u'|').toStdString();
}

TEST_F(AccessibilityTest, EveryPageOfTheSetupAndTheSeekerNameTheirControls)
{
    EXPECT_TRUE(OnModal([this] { Choose(QStringLiteral("&File"), QStringLiteral("Se&tup ...")); },
                        [](QWidget& box) {
                            auto* pSheet = qobject_cast<CPSheetSetup*>(&box);
                            ASSERT_NE(pSheet, nullptr);
                            for (int n = 0; n < pSheet->Tabs().count(); ++n) {
                                pSheet->Tabs().setCurrentIndex(n);
                                EXPECT_EQ(UnnamedControls(box), QStringList())
                                    << pSheet->Tabs().tabText(n).toStdString();
                            }
                            // A caption beside a box is its buddy: Alt and
                            // the caption's letter reach the box.
                            for (const QLabel* pLabel : box.findChildren<QLabel*>()) {
                                if (pLabel->text().contains(QLatin1Char('&'))) {
                                    EXPECT_NE(pLabel->buddy(), nullptr)
                                        << pLabel->text().toStdString();
                                }
                            }
                            pSheet->reject();
                        }));

    Choose(QStringLiteral("&Utils"), QStringLiteral("Seeker ..."));
    ASSERT_NE(m_pApp->Seeker(), nullptr);
    EXPECT_EQ(UnnamedControls(*m_pApp->Seeker()), QStringList());
}
