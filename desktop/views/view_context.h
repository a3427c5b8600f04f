#pragma once

#include <QStringList>

class CDocManager;
class IPrompts;
struct CDocContext;

// What the note windows share: the documents' context (settings, pending note
// text, sending), the open documents, the prompts, and the recipient box's cache
// of entries. The application object owns it.
struct CViewContext
{
    CViewContext(CDocContext& context, CDocManager& manager, IPrompts& userPrompts)
        : docContext(context), documents(manager), prompts(userPrompts)
    {}

    CDocContext& docContext;
    CDocManager& documents;
    IPrompts& prompts;
    // The recipient box's entries as last built from the host list.
    QStringList recipientCache;
};
