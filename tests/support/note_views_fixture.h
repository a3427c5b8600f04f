#pragma once

#include "tests/support/event_log.h"
#include "tests/support/note_documents_fixture.h"
#include "views/view_context.h"

// The note documents and what their windows share, with recorded prompts.
class CNoteViewsFixture : public CNoteDocumentsFixture
{
protected:
    CEventLog m_prompts;
    CViewContext m_viewContext{m_docContext, m_docs, m_prompts};
};
