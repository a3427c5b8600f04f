#include "core/documents/doc_template.h"

CDocTemplate::CDocTemplate(EDocKind eKind, const QString& strResource)
    : m_eKind(eKind), m_parts(strResource.split(QLatin1Char('\n')))
{}

QByteArray CDocTemplate::NextDefaultTitle()
{
    return DocName().toLatin1() + QByteArray::number(++m_nUntitledCount);
}
