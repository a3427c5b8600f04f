#pragma once

#include "desktop/views/view_context.h"
#include "tests/support/event_log.h"
#include "tests/support/note_documents_fixture.h"

// The note documents and what their windows share, with recorded prompts.
class CNoteViewsFixture : public CNoteDocumentsFixture
{
protected:
    CEventLog m_prompts;
    CViewContext m_viewContext{m_settings, m_hosts, m_docContext, m_docs, m_prompts, m_autoReply};
};
