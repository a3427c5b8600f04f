#include "core/messaging/doc_template.h"

CDocTemplate::CDocTemplate(const QString& strResource)
    : m_parts(strResource.split(QLatin1Char('\n')))
{}

QByteArray CDocTemplate::NextDefaultTitle()
{
    return DocName().toLatin1() + QByteArray::number(++m_nUntitledCount);
}
