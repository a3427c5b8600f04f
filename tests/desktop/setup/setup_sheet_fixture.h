#pragma once

#include "core/hosts/host_book.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "desktop/setup/setup_sheet.h"
#include "desktop/views/font_chooser.h"
#include "tests/support/desktop_app_fixture.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QPointer>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>

// The setup sheet over settings in memory, shown (not run modally) so that a
// test can work its pages with keys and the mouse as a user does.
class CSetupSheetFixture : public ::testing::Test
{
protected:
    void LoadSettings(bool bTray = false)
    {
        m_bTrayAvailable = bTray;
        m_settings.SetEnvironment({m_system.strUserName, bTray});
        m_settings.Load();
        m_hosts.Load();
    }

    CPSheetSetup& Open()
    {
        m_pSheet = std::make_unique<CPSheetSetup>(Context(m_settings), nullptr);
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

    // The pages' context over the given settings, with the test's doubles.
    CSetupContext Context(CAppSettings& settings)
    {
        return {settings,
                m_hosts,
                m_system,
                m_bTrayAvailable,
                m_prompts,
                m_sound,
                m_fonts,
                [this](QObject* pReceiver, std::function<void(const QByteArray&)> done) {
                    m_resolving.append({pReceiver, std::move(done)});
                }};
    }

    // Answers the oldest look-up of the local address, as the resolver would.
    bool AnswerLookUp(const QByteArray& strAddress)
    {
        if (m_resolving.isEmpty())
            return false;
        const auto [pReceiver, done] = m_resolving.takeFirst();
        if (pReceiver)
            done(strAddress);
        return true;
    }

    // A font dialog that answers as told.
    class CScriptedFonts : public IFontChooser
    {
    public:
        bool ChooseFont(QWidget*, CFontChoice& choice) override
        {
            ++m_nAsked;
            m_offered = choice;
            if (!m_answer)
                return false;
            choice = *m_answer;
            return true;
        }
        std::optional<CFontChoice> m_answer;
        CFontChoice m_offered;
        int m_nAsked = 0;
    };

    CMemorySettingsStore m_store;
    SystemInfo::CSystemInfo m_system = SystemInfo::Collect();
    CAppSettings m_settings{m_store};
    CHostBook m_hosts{m_store};
    bool m_bTrayAvailable = false;
    CEventLog m_prompts;
    CFakeSound m_sound;
    CScriptedFonts m_fonts;
    QList<std::pair<QPointer<QObject>, std::function<void(const QByteArray&)>>> m_resolving;
    std::unique_ptr<CPSheetSetup> m_pSheet;
};
