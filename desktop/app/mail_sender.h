#pragma once

#include <QObject>
#include <QString>

#include <memory>

class CBlipnoteDoc;
class IPrompts;
class QTemporaryDir;

// "&Mapi Send...": hands a copy of the note, saved as a note file, to the
// desktop's mail program as an attachment (through xdg-email), without waiting
// for it. The copies stay in a private temporary folder, since the mail
// program may read them only when its message goes out.
class CMailSender : public QObject
{
    Q_OBJECT

public:
    CMailSender(IPrompts& prompts, QString strProgram, QObject* pParent = nullptr);
    ~CMailSender() override;

    void Send(CBlipnoteDoc& doc);

    // The file name the note's copy gets: its title, without what a file name
    // cannot hold, with the note type's extension.
    static QString AttachmentName(const CBlipnoteDoc& doc);
    // The mail's subject: the title, of sensible length, on one line.
    static QString Subject(const CBlipnoteDoc& doc);

Q_SIGNALS:
    // The mail program has ended, and what went wrong has been told (for tests).
    void Finished();

private:
    QString NewFolder();
    void Report(const QString& strText);

    IPrompts& m_prompts;
    QString m_strProgram;
    std::unique_ptr<QTemporaryDir> m_pFolder;
    int m_nSent = 0;
};
