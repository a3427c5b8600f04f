#include "desktop/app/help_window.h"

#include <QFile>
#include <QTextBrowser>
#include <QVBoxLayout>

// The help text lives in the program's resources. (Outside any namespace, where
// the resource's own function is declared.)
static void InitHelpResources()
{
    Q_INIT_RESOURCE(help);
}

namespace {
// The README's sections about using the program, in its order; the others are
// about building, packaging and developing it.
const QStringList kUserSections = {
    QStringLiteral("The desktop program"),
    QStringLiteral("When a note arrives"),
    QStringLiteral("The history"),
    QStringLiteral("The finger server"),
    QStringLiteral("The Seeker"),
    QStringLiteral("Setup"),
    QStringLiteral("Settings"),
    QStringLiteral("Note files"),
    QStringLiteral("The note windows"),
    QStringLiteral("Rich text and printing"),
};
} // namespace

QString CHelpWindow::UserPage(const QString& strReadme)
{
    const QString strHeading = QStringLiteral("## ");
    QStringList page = {QStringLiteral("# Blipnote Help"), QString()};
    bool bKept = false;
    bool bInFence = false; // "## " inside a code block is no heading
    for (const QString& strLine : strReadme.split(u'\n')) {
        if (strLine.startsWith(QStringLiteral("```")))
            bInFence = !bInFence;
        else if (!bInFence && strLine.startsWith(strHeading))
            bKept = kUserSections.contains(strLine.mid(strHeading.size()).trimmed());
        if (bKept)
            page.append(strLine);
    }
    return page.join(u'\n');
}

CHelpWindow::CHelpWindow(QWidget* pParent) : QDialog(pParent), m_pBrowser(new QTextBrowser(this))
{
    InitHelpResources();
    setWindowTitle(tr("Blipnote Help"));
    m_pBrowser->setOpenExternalLinks(true);
    m_pBrowser->setSearchPaths({QStringLiteral(":/help")});
    QFile readme(QStringLiteral(":/help/README.md"));
    if (readme.open(QIODevice::ReadOnly))
        m_pBrowser->setMarkdown(UserPage(QString::fromUtf8(readme.readAll())));
    (new QVBoxLayout(this))->addWidget(m_pBrowser);
    resize(760, 600);
}
