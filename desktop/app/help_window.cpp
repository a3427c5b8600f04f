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

CHelpWindow::CHelpWindow(QWidget* pParent) : QDialog(pParent)
{
    InitHelpResources();
    setWindowTitle(tr("Blipnote Help"));
    auto* pBrowser = new QTextBrowser(this);
    pBrowser->setOpenExternalLinks(true);
    pBrowser->setSearchPaths({QStringLiteral(":/help")});
    QFile readme(QStringLiteral(":/help/README.md"));
    if (readme.open(QIODevice::ReadOnly))
        pBrowser->setMarkdown(QString::fromUtf8(readme.readAll()));
    (new QVBoxLayout(this))->addWidget(pBrowser);
    resize(760, 600);
}
