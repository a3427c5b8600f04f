#include "desktop/app/about_dialog.h"

#include "core/interfaces/version.h"
#include "desktop/resources/icon_list.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDialog::CAboutDialog(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(tr("About Blipnote"));
    auto* pLayout = new QVBoxLayout(this);
    auto* pPicture = new QLabel(this);
    pPicture->setPixmap(CIconList::Named(QStringLiteral("blipnote")).pixmap(64, 64));
    pPicture->setAlignment(Qt::AlignCenter);
    pLayout->addWidget(pPicture);
    // The icons of the two kinds of note: one to send, one received.
    auto* pKinds = new QHBoxLayout;
    pKinds->addStretch(1);
    for (const bool bIncoming : {false, true}) {
        auto* pKind = new QLabel(this);
        pKind->setPixmap(CIconList::NoteIcon(bIncoming).pixmap(32, 32));
        pKinds->addWidget(pKind);
    }
    pKinds->addStretch(1);
    pLayout->addLayout(pKinds);
    auto* pWhat = new QLabel(tr("32-bit winsock-client/server application for sending notes over "
                                "the Internet in realtime."),
                             this);
    pWhat->setWordWrap(true);
    pLayout->addWidget(pWhat);
    pLayout->addWidget(new QLabel(tr("version %1").arg(QLatin1String(Version::Text)), this));

    // Credit lines, each with a small icon.
    auto* pCredits = new QGridLayout;
    const std::pair<int, const char*> credits[] = {
        {CIconList::PersonBlue, "Written in C++ on Qt for the Linux desktop."},
        {CIconList::Nickname, "Notes, finger and seeker: one program for the whole network."},
        {CIconList::Group, "Thanks to everyone who sends notes with it."}};
    int nRow = 0;
    for (const auto& [nIcon, pszText] : credits) {
        auto* pIcon = new QLabel(this);
        pIcon->setPixmap(CIconList::Icon(nIcon).pixmap(16, 16));
        pCredits->addWidget(pIcon, nRow, 0);
        pCredits->addWidget(new QLabel(tr(pszText), this), nRow++, 1);
    }
    pLayout->addLayout(pCredits);
    auto* pOk = new QPushButton(tr("&Ok"), this);
    pOk->setDefault(true);
    connect(pOk, &QPushButton::clicked, this, &QDialog::accept);
    pLayout->addWidget(pOk, 0, Qt::AlignRight);
}
