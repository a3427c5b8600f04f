#include "desktop/app/mail_sender.h"

#include "core/documents/blipnote_doc.h"
#include "core/documents/doc_template.h"
#include "core/interfaces/logging.h"
#include "core/interfaces/prompts.h"
#include "core/text/code_page.h"
#include "core/text/shown_text.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <unistd.h>

namespace {
const QString kNoMailSystem = QStringLiteral("Unable to load mail system support.");
const QString kMailFailed = QStringLiteral("Mail failed to send message.");
constexpr qsizetype kMaxNameBytes = 200;
} // namespace

CMailSender::CMailSender(IPrompts& prompts, QString strProgram, QObject* pParent)
    : QObject(pParent), m_prompts(prompts), m_strProgram(std::move(strProgram))
{}

CMailSender::~CMailSender() = default;

QString CMailSender::AttachmentName(const CBlipnoteDoc& doc)
{
    // No folders; and no backslash, which the mail helper's shell may read as
    // an escape (a title "\0057..\0057etc" would attach another file).
    QString strName;
    for (const QChar c : Subject(doc))
        strName += c == QLatin1Char('/') || c == QChar(0xff3c) ? QLatin1Char('_') : c;
    strName = strName.trimmed();
    if (strName.isEmpty() || strName.startsWith(QLatin1Char('.')))
        strName.prepend(doc.Template().DocName());
    const QString strExtension = doc.Template().DefaultExtension();
    if (!strName.endsWith(strExtension))
        strName += strExtension;
    // A file name holds at most 255 bytes.
    while (strName.toUtf8().size() > kMaxNameBytes) {
        strName.chop(strExtension.size() + 1);
        if (strName.back().isHighSurrogate())
            strName.chop(1);
        strName += strExtension;
    }
    return strName;
}

QString CMailSender::Subject(const CBlipnoteDoc& doc)
{
    // One line already (a control character shows as a bullet).
    QString strSubject = CodePage::ToUnicode(ShownText::Of(doc.Title()));
    return strSubject.replace(QLatin1Char('\\'), QChar(0xff3c)); // a look-alike
}

QString CMailSender::NewFolder()
{
    // Made again when a cleaner of /tmp took it, or someone else's stands there.
    if (!m_pFolder || !QFileInfo(m_pFolder->path()).isDir() ||
        QFileInfo(m_pFolder->path()).ownerId() != ::getuid()) {
        m_pFolder = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                    QStringLiteral("/blipnote-mail-XXXXXX"));
        m_pFolder->setAutoRemove(false);
    }
    if (!m_pFolder->isValid())
        return {};
    // One folder a copy: two notes of one title never share a file.
    const QString strFolder = m_pFolder->filePath(QString::number(++m_nSent));
    return QDir().mkdir(strFolder) ? strFolder : QString();
}

void CMailSender::Report(const QString& strText)
{
    // From the event loop, not from inside the process's own signal.
    QTimer::singleShot(0, this, [this, strText] {
        m_prompts.ShowMessage(strText, PromptIcon::Stop);
        Q_EMIT Finished();
    });
}

void CMailSender::Send(CBlipnoteDoc& doc)
{
    const QString strFolder = NewFolder();
    if (strFolder.isEmpty()) {
        qCWarning(lcMessaging, "no temporary folder for a note to mail");
        m_prompts.ShowMessage(kMailFailed, PromptIcon::Stop);
        return;
    }
    const QString strFile = strFolder + QLatin1Char('/') + AttachmentName(doc);
    QString strError;
    if (!doc.SaveCopyToFile(strFile, &strError)) {
        QDir().rmdir(strFolder);
        m_prompts.ShowMessage(strError, PromptIcon::Stop);
        return;
    }
    auto* pProcess = new QProcess(this);
    pProcess->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    pProcess->setStandardOutputFile(QProcess::nullDevice());
    connect(pProcess, &QProcess::errorOccurred, this, [this, pProcess](QProcess::ProcessError e) {
        if (e != QProcess::FailedToStart)
            return; // a crash also ends in finished
        qCWarning(lcMessaging, "%s: %s", qUtf8Printable(m_strProgram),
                  qUtf8Printable(pProcess->errorString()));
        pProcess->deleteLater();
        Report(kNoMailSystem);
    });
    connect(pProcess, &QProcess::finished, this,
            [this, pProcess](int nExitCode, QProcess::ExitStatus eStatus) {
                pProcess->deleteLater();
                if (eStatus == QProcess::NormalExit && nExitCode == 0) {
                    Q_EMIT Finished();
                    return;
                }
                qCWarning(lcMessaging, "%s ended with %d", qUtf8Printable(m_strProgram), nExitCode);
                Report(kMailFailed);
            });
    pProcess->start(m_strProgram, {QStringLiteral("--utf8"), QStringLiteral("--subject"),
                                   Subject(doc), QStringLiteral("--attach"), strFile});
}
