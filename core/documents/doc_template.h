#pragma once

#include "core/documents/doc_kind.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

class CBlipnoteDoc;
class IDocView;

// One kind of note document: its type name, the texts that describe its files,
// the counter that numbers the default titles of new documents, and what makes
// the view of a new document.
class CDocTemplate
{
public:
    using CViewFactory = std::function<IDocView*(CBlipnoteDoc&)>;

    // The seven texts, separated by "\n": window title, document name, file
    // filter, filter extension, default extension, type identifier, type name.
    CDocTemplate(EDocKind eKind, const QString& strResource);

    EDocKind Kind() const { return m_eKind; }

    QString DocName() const { return Part(1); }
    QString FilterName() const { return Part(2).trimmed(); }
    QString FilterExtension() const { return Part(3).trimmed(); }
    QString DefaultExtension() const { return Part(4).trimmed(); }
    QString TypeIdentifier() const { return Part(5); }
    QString TypeName() const { return Part(6); }

    // "MessageOut1", "MessageOut2", ...: the document name and a running number.
    QByteArray NextDefaultTitle();

    void SetViewFactory(CViewFactory factory) { m_viewFactory = std::move(factory); }
    const CViewFactory& ViewFactory() const { return m_viewFactory; }

private:
    QString Part(qsizetype n) const { return m_parts.value(n); }

    EDocKind m_eKind;
    QStringList m_parts;
    int m_nUntitledCount = 0;
    CViewFactory m_viewFactory;
};
