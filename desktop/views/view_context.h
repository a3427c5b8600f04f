#pragma once

#include <QStringList>

#include <functional>

class CAppSettings;
class CAutoReply;
class CHostBook;
class CPresenceTexts;
class QPrinter;
class CDocManager;
class IPrompts;
struct CDocContext;

// What the note windows share: the settings, the host list, the documents'
// context (sending), the open documents, the prompts, auto-reply (which sending or answering a note
// ends), and the recipient box's cache of entries. The application object owns it.
struct CViewContext
{
    CViewContext(CAppSettings& appSettings, CHostBook& hostBook, CDocContext& context,
                 CDocManager& manager, IPrompts& userPrompts, CAutoReply& reply)
        : settings(appSettings), hosts(hostBook), docContext(context), documents(manager),
          prompts(userPrompts), autoReply(reply)
    {}

    CAppSettings& settings;
    CHostBook& hosts;
    CDocContext& docContext;
    CDocManager& documents;
    IPrompts& prompts;
    CAutoReply& autoReply;
    // The printer set up for this run (Print setup), for Print and Print
    // Preview; none in tests, where each print has a printer of its own.
    std::function<QPrinter&()> printer;
    // The recipient box's entries as last built from the host list, at the
    // list's revision then.
    QStringList recipientCache;
    quint64 nRecipientCacheRevision = 0;
    // What the recipient box shows beside each choice (none in tests that
    // make no presence).
    CPresenceTexts* pPresenceTexts = nullptr;
};
