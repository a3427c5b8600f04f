#include "core/notes/note_file.h"

#include "core/interfaces/logging.h"
#include "core/interfaces/version.h"
#include "core/text/code_page.h"

#include <QFile>
#include <QSaveFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace NoteFile {
namespace {

constexpr quint8 kLongPrefix = 0xFF;
constexpr quint16 kWideMark = 0xFFFE;
constexpr quint16 kHugePrefix = 0xFFFF;

void WriteInt32(QByteArray& out, qint32 nValue)
{
    char bytes[4];
    qToLittleEndian(nValue, bytes);
    out.append(bytes, 4);
}

void WriteUInt16(QByteArray& out, quint16 nValue)
{
    char bytes[2];
    qToLittleEndian(nValue, bytes);
    out.append(bytes, 2);
}

void WriteTextItem(QByteArray& out, const QByteArray& strText)
{
    const qsizetype nLength = strText.size();
    if (nLength < kLongPrefix) {
        out.append(static_cast<char>(nLength));
    } else if (nLength < kWideMark) {
        out.append(static_cast<char>(kLongPrefix));
        WriteUInt16(out, static_cast<quint16>(nLength));
    } else {
        out.append(static_cast<char>(kLongPrefix));
        WriteUInt16(out, kHugePrefix);
        WriteInt32(out, static_cast<qint32>(static_cast<quint32>(nLength)));
    }
    out.append(strText);
}

// Reads the record's items from the data, refusing anything that runs past the end.
class CRecordReader
{
public:
    explicit CRecordReader(const QByteArray& data) : m_data(data) {}

    bool AtEnd() const { return m_nPos == m_data.size(); }

    bool Int32(qint32& nValue)
    {
        if (Remaining() < 4)
            return false;
        nValue = qFromLittleEndian<qint32>(m_data.constData() + m_nPos);
        m_nPos += 4;
        return true;
    }

    bool Text(QByteArray& strText)
    {
        quint64 nLength = 0;
        bool bWide = false;
        if (!Length(nLength, &bWide))
            return false;
        const quint64 nBytes = bWide ? nLength * 2 : nLength;
        if (nBytes > static_cast<quint64>(Remaining()))
            return false;
        const char* pData = m_data.constData() + m_nPos;
        m_nPos += static_cast<qsizetype>(nBytes);
        if (!bWide) {
            strText = QByteArray(pData, static_cast<qsizetype>(nBytes));
            return true;
        }
        QString strWide(static_cast<qsizetype>(nLength), Qt::Uninitialized);
        for (quint64 i = 0; i < nLength; ++i)
            strWide[static_cast<qsizetype>(i)] = QChar(qFromLittleEndian<quint16>(pData + 2 * i));
        strText = CodePage::FromUnicode(strWide);
        return true;
    }

private:
    qsizetype Remaining() const { return m_data.size() - m_nPos; }

    bool Byte(quint8& nValue)
    {
        if (Remaining() < 1)
            return false;
        nValue = static_cast<quint8>(m_data[m_nPos++]);
        return true;
    }

    bool UInt16(quint16& nValue)
    {
        if (Remaining() < 2)
            return false;
        nValue = qFromLittleEndian<quint16>(m_data.constData() + m_nPos);
        m_nPos += 2;
        return true;
    }

    // A length prefix; pbWide, when given, lets it announce 16-bit characters, in
    // which case the real length follows as a further prefix.
    bool Length(quint64& nLength, bool* pbWide)
    {
        quint8 nByte = 0;
        if (!Byte(nByte))
            return false;
        if (nByte < kLongPrefix) {
            nLength = nByte;
            return true;
        }
        quint16 nWord = 0;
        if (!UInt16(nWord))
            return false;
        if (nWord == kWideMark && pbWide) {
            *pbWide = true;
            return Length(nLength, nullptr);
        }
        if (nWord < kHugePrefix) {
            nLength = nWord;
            return true;
        }
        qint32 nDword = 0;
        if (!Int32(nDword))
            return false;
        nLength = static_cast<quint32>(nDword);
        return true;
    }

    const QByteArray& m_data;
    qsizetype m_nPos = 0;
};

const QByteArray kRule = "\r\n" + QByteArray(78, '-') + "\r\n";

// Opens a regular file for reading. Anything else (a FIFO, a device, a folder, a
// socket) is refused at once: opening a FIFO would wait for a writer for ever.
bool OpenRegularFile(const QString& strPath, QFile& file)
{
    const QByteArray strNative = QFile::encodeName(strPath);
    const int nFile = ::open(strNative.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (nFile < 0) {
        const int nError = errno;
        qCWarning(lcMessaging, "%s: %s", qUtf8Printable(strPath), std::strerror(nError));
        return false;
    }
    struct stat status
    {};
    if (::fstat(nFile, &status) != 0 || !S_ISREG(status.st_mode)) {
        qCWarning(lcMessaging, "%s: not a regular file", qUtf8Printable(strPath));
        ::close(nFile);
        return false;
    }
    ::fcntl(nFile, F_SETFL, ::fcntl(nFile, F_GETFL) & ~O_NONBLOCK);
    return file.open(nFile, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
}

bool Fail(QString* pstrError, const char* pszError)
{
    if (pstrError)
        *pstrError = QString::fromLatin1(pszError);
    return false;
}

} // namespace

EForm FormForPath(const QString& strPath)
{
    for (const char* pszExtension : {".bni", ".bno", ".BNI", ".BNO"}) {
        if (strPath.indexOf(QLatin1String(pszExtension), 1) >= 1)
            return EForm::Binary;
    }
    return EForm::Text;
}

QByteArray WriteBinary(const CNoteRecord& record)
{
    QByteArray out;
    WriteInt32(out, record.m_nPriority);
    WriteTextItem(out, record.m_strBody);
    WriteInt32(out, record.m_nReserved);
    WriteTextItem(out, record.m_strAddress);
    WriteTextItem(out, record.m_strSystem);
    WriteInt32(out, record.m_nSendState);
    WriteTextItem(out, record.m_strNickname);
    WriteTextItem(out, record.m_strSubject);
    WriteTextItem(out, record.m_strTime);
    return out;
}

bool ReadBinary(const QByteArray& data, CNoteRecord& record)
{
    CRecordReader reader(data);
    CNoteRecord read;
    const bool bRead = reader.Int32(read.m_nPriority) && reader.Text(read.m_strBody) &&
                       reader.Int32(read.m_nReserved) && reader.Text(read.m_strAddress) &&
                       reader.Text(read.m_strSystem) && reader.Int32(read.m_nSendState) &&
                       reader.Text(read.m_strNickname) && reader.Text(read.m_strSubject) &&
                       reader.Text(read.m_strTime);
    // Nothing follows the record in a note file.
    if (!bRead || !reader.AtEnd())
        return false;
    record = read;
    return true;
}

QByteArray WriteText(const CNoteRecord& record, const QByteArray& strTitle)
{
    QByteArray out = Version::ProductLine;
    out += kRule;
    out += "Document : " + strTitle + "\r\nNickname : " + record.m_strNickname +
           "\r\nSystem   : " + record.m_strSystem + " \r\nIp       : " + record.m_strAddress +
           " \r\nTime     : " + record.m_strTime;
    out += kRule;
    out += record.m_strBody;
    return out;
}

QByteArray ReadTextBody(const QByteArray& data)
{
    QByteArray strBody;
    strBody.reserve(data.size() + data.count('\n') + 2);
    qsizetype nStart = 0;
    while (nStart < data.size()) {
        qsizetype nEnd = data.indexOf('\n', nStart);
        const qsizetype nNext = nEnd < 0 ? data.size() : nEnd + 1;
        if (nEnd < 0)
            nEnd = data.size();
        qsizetype nLineEnd = nEnd;
        if (nLineEnd > nStart && data[nLineEnd - 1] == '\r')
            --nLineEnd;
        strBody.append(data.constData() + nStart, nLineEnd - nStart).append("\r\n");
        nStart = nNext;
    }
    return strBody;
}

bool Load(const QString& strPath, CNoteRecord& record, QString* pstrError)
{
    const bool bBinary = FormForPath(strPath) == EForm::Binary;
    const char* pszTooLarge = bBinary ? "Unexpected file format." : "Failed to open document.";
    QFile file;
    if (!OpenRegularFile(strPath, file))
        return Fail(pstrError, "Failed to open document.");
    if (file.size() > MaxFileSize)
        return Fail(pstrError, pszTooLarge);
    const QByteArray data = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError) {
        // Not an empty note: the file could not be read.
        qCWarning(lcMessaging, "%s: %s", qUtf8Printable(strPath),
                  qUtf8Printable(file.errorString()));
        return Fail(pstrError, "Failed to open document.");
    }
    if (data.size() > MaxFileSize) // a file that grew meanwhile
        return Fail(pstrError, pszTooLarge);
    if (bBinary)
        return ReadBinary(data, record) || Fail(pstrError, "Unexpected file format.");
    record = CNoteRecord();
    record.m_strBody = ReadTextBody(data);
    return true;
}

bool Save(const QString& strPath, const CNoteRecord& record, const QByteArray& strTitle,
          QString* pstrError, QString* pstrReason)
{
    const QByteArray data =
        FormForPath(strPath) == EForm::Binary ? WriteBinary(record) : WriteText(record, strTitle);
    QSaveFile file(strPath);
    // Unbuffered, each write reaches the system at once. A disk that fills up
    // takes part of a write without a word; only the next write is refused,
    // and with it Qt learns the system's reason ("No space left on device").
    bool bWritten = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qsizetype nDone = 0; bWritten && nDone < data.size();) {
        const qint64 nWrote = file.write(data.constData() + nDone, data.size() - nDone);
        bWritten = nWrote > 0;
        nDone += std::max<qint64>(nWrote, 0);
    }
    if (!bWritten || !file.commit()) {
        const QString strReason = file.errorString();
        qCWarning(lcMessaging, "%s: %s", qUtf8Printable(strPath), qUtf8Printable(strReason));
        if (pstrReason)
            *pstrReason = strReason;
        return Fail(pstrError, "Failed to save document.");
    }
    return true;
}

} // namespace NoteFile
