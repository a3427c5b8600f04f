#pragma once

#include <QString>

// The words with which Blipnote refuses a text that holds characters the code
// page cannot hold, rather than turn them into question marks: a box of the
// desktop, or an error line of blipnote-cli.
namespace CodePageRefusal {

enum class EForm
{
    Characters, // a box that names the characters, each once, after its colon
    WholeText,  // a box that shows the whole text (a path) on a line of its own
    Line,       // an error line that quotes the first such character
};

// strSubject is what holds the characters, as the sentence begins ("This
// note", "The signature"; in a line "the title"), strShown what the refusal
// shows of them (see EForm), strUsers whose texts keep to the code page
// ("Notes", "Replies", "Settings"; in a line "notes"), and strRemedy what the
// user can do (a box only).
QString
Text(EForm eForm, const QString& strSubject, const QString& strShown,
     const QString& strUsers = QStringLiteral("Notes"),
     const QString& strRemedy = QStringLiteral("Please replace these characters and try again."));

} // namespace CodePageRefusal
