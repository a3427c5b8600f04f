#pragma once

#include <QStringList>

#include <functional>

class CAutoReply;
class QPrinter;
class CDocManager;
class IPrompts;
struct CDocContext;

// What the note windows share: the documents' context (settings, sending), the
// open documents, the prompts, auto-reply (which sending or answering a note
// ends), and the recipient box's cache of entries. The application object owns it.
struct CViewContext
{
    CViewContext(CDocContext& context, CDocManager& manager, IPrompts& userPrompts,
                 CAutoReply& reply)
        : docContext(context), documents(manager), prompts(userPrompts), autoReply(reply)
    {}

    CDocContext& docContext;
    CDocManager& documents;
    IPrompts& prompts;
    CAutoReply& autoReply;
    // The printer set up for this run (Print setup), for Print and Print
    // Preview; none in tests, where each print has a printer of its own.
    std::function<QPrinter&()> printer;
    // The recipient box's entries as last built from the host list.
    QStringList recipientCache;
};
