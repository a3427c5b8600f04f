#include "tests/support/accessible_tree.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QWidget>

namespace {

bool IsControl(QAccessible::Role eRole)
{
    switch (eRole) {
    case QAccessible::EditableText:
    case QAccessible::ComboBox:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::PushButton:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
    case QAccessible::PageTab:
    case QAccessible::Slider:
        return true;
    default:
        return false;
    }
}

void Walk(QAccessibleInterface* pNode, QStringList& unnamed, int nDepth)
{
    if (!pNode || !pNode->isValid() || nDepth > 64)
        return;
    const QAccessible::State state = pNode->state();
    if (state.invisible)
        return;
    if (IsControl(pNode->role()) && pNode->text(QAccessible::Name).trimmed().isEmpty()) {
        QObject* pObject = pNode->object();
        unnamed.append(QStringLiteral("%1 %2 \"%3\"")
                           .arg(pNode->role())
                           .arg(pObject ? QString::fromLatin1(pObject->metaObject()->className())
                                        : QStringLiteral("-"))
                           .arg(pObject ? pObject->objectName() : QString()));
    }
    // Items of lists and tables are their rows' texts: not walked.
    if (pNode->role() == QAccessible::List || pNode->role() == QAccessible::Table ||
        pNode->role() == QAccessible::Tree || pNode->role() == QAccessible::ComboBox)
        return;
    for (int n = 0; n < pNode->childCount(); ++n)
        Walk(pNode->child(n), unnamed, nDepth + 1);
}

} // namespace

QStringList UnnamedControls(QWidget& window)
{
    QStringList unnamed;
    Walk(QAccessible::queryAccessibleInterface(&window), unnamed, 0);
    return unnamed;
}
