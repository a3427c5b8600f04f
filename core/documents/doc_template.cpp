#include "core/documents/doc_template.h"

QByteArray CDocTemplate::NextDefaultTitle()
{
    return DocName().toLatin1() + QByteArray::number(++m_nUntitledCount);
}
