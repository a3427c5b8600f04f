#pragma once

#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/hosts/host_book.h"
#include "core/messaging/auto_reply.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "core/settings/system_info.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

// Settings in memory and the note documents that work on them, as the program
// wires them, for tests of documents and the windows that show them.
class CNoteDocumentsFixture : public ::testing::Test
{
protected:
    CNoteDocumentsFixture() { m_docContext.Wire(m_settings, m_system, m_hosts, m_autoReply); }

    CMemorySettingsStore m_store;
    SystemInfo::CSystemInfo m_system;
    CAppSettings m_settings{m_store};
    CHostBook m_hosts{m_store};
    CAutoReply m_autoReply{m_settings, m_system};
    CDocContext m_docContext;
    CDocManager m_docs{m_docContext};
};
