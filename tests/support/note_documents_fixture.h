#pragma once

#include "core/documents/doc_context.h"
#include "core/documents/doc_manager.h"
#include "core/settings/app_settings.h"
#include "core/settings/memory_settings_store.h"
#include "tests/support/printers.h"

#include <gtest/gtest.h>

// Settings in memory and the note documents that work on them, as the program
// wires them, for tests of documents and the windows that show them.
class CNoteDocumentsFixture : public ::testing::Test
{
protected:
    CMemorySettingsStore m_store;
    CAppSettings m_settings{m_store};
    CDocContext m_docContext{m_settings};
    CDocManager m_docs{m_docContext};
};
