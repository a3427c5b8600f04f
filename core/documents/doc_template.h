#pragma once

#include "core/documents/doc_kind.h"

#include <QByteArray>
#include <QString>

#include <functional>

class CBlipnoteDoc;
class IDocView;

// The texts that describe one kind of note document and its files.
struct CDocTexts
{
    QString strDocName;          // "MessageOut": default titles and the file name
    QString strFilterName;       // "MessageOut Files (*.bno)"
    QString strFilterExtension;  // "*.bno"
    QString strDefaultExtension; // ".bno"
    QString strTypeIdentifier;   // "MsgOut.Document"
    QString strTypeName;         // "MsgOut Document"
};

// One kind of note document: its type name, the texts that describe its files,
// the counter that numbers the default titles of new documents, and what makes
// the view of a new document.
class CDocTemplate
{
public:
    using CViewFactory = std::function<IDocView*(CBlipnoteDoc&)>;

    CDocTemplate(EDocKind eKind, CDocTexts texts) : m_eKind(eKind), m_texts(std::move(texts)) {}

    EDocKind Kind() const { return m_eKind; }

    const QString& DocName() const { return m_texts.strDocName; }
    const QString& FilterName() const { return m_texts.strFilterName; }
    const QString& FilterExtension() const { return m_texts.strFilterExtension; }
    const QString& DefaultExtension() const { return m_texts.strDefaultExtension; }
    const QString& TypeIdentifier() const { return m_texts.strTypeIdentifier; }
    const QString& TypeName() const { return m_texts.strTypeName; }

    // "MessageOut1", "MessageOut2", ...: the document name and a running number.
    QByteArray NextDefaultTitle();

    void SetViewFactory(CViewFactory factory) { m_viewFactory = std::move(factory); }
    const CViewFactory& ViewFactory() const { return m_viewFactory; }

private:
    EDocKind m_eKind;
    CDocTexts m_texts;
    int m_nUntitledCount = 0;
    CViewFactory m_viewFactory;
};
