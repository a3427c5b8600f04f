#pragma once

#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "desktop/setup/setup_sheet.h"
#include "tests/support/desktop_app_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The setup sheet over settings in memory, shown (not run modally) so that a
// test can work its pages with keys and the mouse as a user does.
class CSetupSheetFixture : public ::testing::Test
{
protected:
    void LoadSettings(bool bTray = false)
    {
        m_settings.CollectSystemInfo(bTray);
        m_settings.Load();
    }

    CPSheetSetup& Open()
    {
        m_pSheet =
            std::make_unique<CPSheetSetup>(CSetupContext{m_settings, m_prompts, m_sound}, nullptr);
        m_pSheet->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_pSheet.get()));
        return *m_pSheet;
    }

    // Clicks a tab, which makes its page the first time.
    template <class TPage>
    TPage& ShowTab(int nTab)
    {
        QTabBar* pBar = m_pSheet->Tabs().tabBar();
        QTest::mouseClick(pBar, Qt::LeftButton, {}, pBar->tabRect(nTab).center());
        auto* pPage = qobject_cast<TPage*>(m_pSheet->Page(nTab));
        EXPECT_NE(pPage, nullptr);
        return *pPage;
    }

    // Clicks a button where its text begins (a check box takes clicks on its box
    // and text only, not on the rest of its row).
    static void Click(QAbstractButton& button)
    {
        QTest::mouseClick(&button, Qt::LeftButton, {},
                          QPoint(std::min(button.width() / 2, 12), button.height() / 2));
    }

    // Replaces what an edit holds, by keys.
    static void Retype(QLineEdit& edit, const QString& strText)
    {
        edit.setFocus();
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QTest::keyClicks(&edit, strText);
    }

    // Types a text that the test's key table does not know, as an input method would.
    static void TypeText(QWidget& widget, const QString& strText)
    {
        for (const QChar ch : strText)
            QTest::sendKeyEvent(QTest::Click, &widget, Qt::Key_unknown, QString(ch),
                                Qt::NoModifier);
    }

    CMemorySettingsStore m_store;
    CAppSettings m_settings{m_store};
    CEventLog m_prompts;
    CFakeSound m_sound;
    std::unique_ptr<CPSheetSetup> m_pSheet;
};
