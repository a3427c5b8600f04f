#pragma once

#include "core/notes/note_record.h"

#include <QByteArray>
#include <QString>

// The two forms a note is kept in on disk: the binary note record (".bno" for
// outgoing, ".bni" for incoming notes) and a readable text export.
namespace NoteFile {

enum class EForm
{
    Binary,
    Text,
};

// Files larger than this are refused rather than read into memory.
inline constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// The binary form when the path holds ".bni", ".bno", ".BNI" or ".BNO" after its
// first character (exactly these spellings), else the text form.
EForm FormForPath(const QString& strPath);

// The nine items in file order: priority, body, reserved, address, system, send
// state, nickname, subject, time. Integers are 32-bit little-endian, texts carry a
// length prefix of 1, 3 or 7 bytes.
QByteArray WriteBinary(const CNoteRecord& record);

// Reads a binary note; false when the data is not exactly one note record (too
// short, a length beyond the end, bytes left over). Texts stored with 16-bit
// characters are converted to the code page. Never allocates more than the data
// holds.
bool ReadBinary(const QByteArray& data, CNoteRecord& record);

// The text export: program name and version, a rule, the header block with the
// displayed title, another rule, then the body.
QByteArray WriteText(const CNoteRecord& record, const QByteArray& strTitle);

// Any text file read as a note body: every line followed by "\r\n".
QByteArray ReadTextBody(const QByteArray& data);

// Loads a file in the form its path asks for: a note record, or a text file as
// the body of an otherwise empty note. On failure *pstrError is "Unexpected file
// format." (not a note) or "Failed to open document." (not readable).
bool Load(const QString& strPath, CNoteRecord& record, QString* pstrError);

// Saves in the form the path asks for, through a temporary file, so that a
// failure never destroys the previous file. On failure *pstrError is "Failed to
// save document." and *pstrReason (when given) the system's reason.
bool Save(const QString& strPath, const CNoteRecord& record, const QByteArray& strTitle,
          QString* pstrError, QString* pstrReason = nullptr);

} // namespace NoteFile
