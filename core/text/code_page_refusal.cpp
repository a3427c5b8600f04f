#include "core/text/code_page_refusal.h"

namespace CodePageRefusal {

QString Text(EForm eForm, const QString& strSubject, const QString& strShown,
             const QString& strUsers, const QString& strRemedy)
{
    if (eForm == EForm::Line)
        return QStringLiteral("%1 holds '%2', which a note cannot carry (%3 use the "
                              "Windows-1252 character set)")
            .arg(strSubject, strShown, strUsers);
    const QString strBeforeShown =
        eForm == EForm::WholeText ? QStringLiteral("\n") : QStringLiteral(" ");
    return QStringLiteral("%1 holds characters that Blipnote cannot keep:%2%3\n\n"
                          "%4 use the Windows-1252 character set. %5")
        .arg(strSubject, strBeforeShown, strShown, strUsers, strRemedy);
}

} // namespace CodePageRefusal
