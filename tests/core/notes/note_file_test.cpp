#include "core/notes/note_file.h"
#include "tests/support/sample_notes.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace NoteFile;

namespace {

QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int n : values)
        bytes.append(static_cast<char>(n));
    return bytes;
}

} // namespace

TEST(NoteFile, TheFormFollowsTheFileName)
{
    EXPECT_EQ(FormForPath(QStringLiteral("lunch.bno")), EForm::Binary);
    EXPECT_EQ(FormForPath(QStringLiteral("/home/ann/lunch.bni")), EForm::Binary);
    EXPECT_EQ(FormForPath(QStringLiteral("LUNCH.BNI")), EForm::Binary);
    EXPECT_EQ(FormForPath(QStringLiteral("lunch.BNO")), EForm::Binary);
    EXPECT_EQ(FormForPath(QStringLiteral("lunch.Bno")), EForm::Text);
    EXPECT_EQ(FormForPath(QStringLiteral("lunch.txt")), EForm::Text);
    EXPECT_EQ(FormForPath(QStringLiteral(".bno")), EForm::Text); // not after the first character
    EXPECT_EQ(FormForPath(QStringLiteral("x.bno.txt")), EForm::Binary);
}

TEST(NoteFile, RoundTripsAllNineItems)
{
    const CNoteRecord record = SampleNotes::LunchRecord();
    CNoteRecord read;
    ASSERT_TRUE(ReadBinary(WriteBinary(record), read));
    EXPECT_EQ(read, record);

    // Every byte value in every text.
    QByteArray strAll;
    for (int n = 0; n < 256; ++n)
        strAll.append(static_cast<char>(n));
    CNoteRecord binary = record;
    binary.m_strBody = binary.m_strAddress = binary.m_strSystem = binary.m_strNickname =
        binary.m_strSubject = binary.m_strTime = strAll;
    ASSERT_TRUE(ReadBinary(WriteBinary(binary), read));
    EXPECT_EQ(read, binary);
}

TEST(NoteFile, WritesTheRecordInFileOrder)
{
    CNoteRecord record;
    record.m_nPriority = 1;
    record.m_strBody = "hi";
    record.m_nReserved = 2;
    record.m_strAddress = "a";
    record.m_nSendState = -1;
    record.m_strTime = "t";
    EXPECT_EQ(WriteBinary(record), Bytes({1, 0,   0, 0,    2,    'h',  'i',  2, 0, 0, 0,
                                          1, 'a', 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 1, 't'}));
}

TEST(NoteFile, UsesTheThreeLengthPrefixes)
{
    const auto BodyPrefix = [](qsizetype nLength, qsizetype nPrefix) {
        CNoteRecord record;
        record.m_strBody = QByteArray(nLength, 'x');
        const QByteArray data = WriteBinary(record);
        CNoteRecord read;
        EXPECT_TRUE(ReadBinary(data, read));
        EXPECT_EQ(read.m_strBody.size(), nLength);
        return data.mid(4, nPrefix);
    };
    EXPECT_EQ(BodyPrefix(254, 1), Bytes({254}));
    EXPECT_EQ(BodyPrefix(255, 3), Bytes({0xFF, 0xFF, 0x00}));
    EXPECT_EQ(BodyPrefix(300, 3), Bytes({0xFF, 0x2C, 0x01}));
    EXPECT_EQ(BodyPrefix(65533, 3), Bytes({0xFF, 0xFD, 0xFF}));
    EXPECT_EQ(BodyPrefix(65534, 7), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0x00, 0x00}));
    EXPECT_EQ(BodyPrefix(110000, 7), Bytes({0xFF, 0xFF, 0xFF, 0xB0, 0xAD, 0x01, 0x00}));
}

TEST(NoteFile, ReadsTextsOf16BitCharacters)
{
    // "Grüße €" as 16-bit characters: the mark 0xFF 0xFFFE, then the length 7.
    QByteArray data = Bytes({0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 7});
    for (const char16_t ch : u"Grüße €") {
        if (ch)
            data += Bytes({ch & 0xFF, ch >> 8});
    }
    data += QByteArray(13, '\0');
    CNoteRecord read;
    ASSERT_TRUE(ReadBinary(data, read));
    EXPECT_EQ(read.m_strBody, "Gr\xFC\xDF"
                              "e \x80");
    // A 16-bit text with a length prefix of its own long form.
    QByteArray strLong = Bytes({0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0x2C, 0x01});
    for (int n = 0; n < 300; ++n)
        strLong += Bytes({'x', 0});
    strLong += QByteArray(13, '\0');
    ASSERT_TRUE(ReadBinary(strLong, read));
    EXPECT_EQ(read.m_strBody, QByteArray(300, 'x'));
}

TEST(NoteFile, ATruncatedRecordFailsAtEveryLength)
{
    CNoteRecord record = SampleNotes::LunchRecord();
    record.m_strBody = QByteArray(300, 'b');
    const QByteArray data = WriteBinary(record);
    CNoteRecord read;
    for (qsizetype n = 0; n < data.size(); ++n) {
        CNoteRecord untouched = SampleNotes::LunchRecord();
        EXPECT_FALSE(ReadBinary(data.left(n), untouched)) << n;
        EXPECT_EQ(untouched, SampleNotes::LunchRecord()) << n; // nothing half-loaded
    }
    EXPECT_FALSE(ReadBinary(data + 'x', read)); // nothing follows a record
    // A garbled byte anywhere never crashes; the result is a note or a clean failure.
    for (qsizetype n = 0; n < data.size(); ++n) {
        for (const char garble : {'\x00', '\xFE', '\xFF'}) {
            QByteArray garbled = data;
            garbled[n] = garble;
            ReadBinary(garbled, read);
        }
    }
}

TEST(NoteFile, RefusesLengthsBeyondTheEnd)
{
    CNoteRecord read;
    EXPECT_FALSE(ReadBinary(Bytes({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}), read));
    EXPECT_FALSE(ReadBinary(
        Bytes({0, 0, 0, 0, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), read));
    EXPECT_FALSE(ReadBinary(QByteArray("Just some text in a file called .bno"), read));
}

TEST(NoteFile, ExportsTheReadableText)
{
    const QByteArray strRule = "\r\n" + QByteArray(78, '-') + "\r\n";
    EXPECT_EQ(WriteText(SampleNotes::LunchRecord(), "Lunch"),
              "Blipnote 2.11" + strRule +
                  "Document : Lunch\r\nNickname : ann\r\nSystem   : PC7 \r\nIp       : 10.0.0.5 "
                  "\r\nTime     : 07.12.26  12:00:00" +
                  strRule + "Shall we go?\r\nAt noon.");
}

TEST(NoteFile, ImportsAnyTextLineByLine)
{
    EXPECT_EQ(ReadTextBody("one\ntwo\nthree\n"), "one\r\ntwo\r\nthree\r\n");
    EXPECT_EQ(ReadTextBody("one\r\ntwo\r\nlast"), "one\r\ntwo\r\nlast\r\n");
    EXPECT_EQ(ReadTextBody("\n\n"), "\r\n\r\n");
    EXPECT_EQ(ReadTextBody(""), "");
}

TEST(NoteFile, LoadsAndSavesFiles)
{
    QTemporaryDir dir;
    QString strError;
    const QString strBinary = dir.filePath(QStringLiteral("lunch.bni"));
    ASSERT_TRUE(Save(strBinary, SampleNotes::LunchRecord(), "Lunch", &strError));
    CNoteRecord read;
    ASSERT_TRUE(Load(strBinary, read, &strError));
    EXPECT_EQ(read, SampleNotes::LunchRecord());

    // ".Bno" is not a note file name: the text form.
    const QString strText = dir.filePath(QStringLiteral("lunch.Bno"));
    ASSERT_TRUE(Save(strText, SampleNotes::LunchRecord(), "Lunch", &strError));
    QFile file(strText);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("Blipnote 2.11\r\n---"));
    ASSERT_TRUE(Load(strText, read, &strError));
    EXPECT_TRUE(read.m_strBody.startsWith("Blipnote 2.11\r\n---"));
    EXPECT_EQ(read.m_nPriority, 0);
    EXPECT_EQ(read.m_strSubject, "");
    EXPECT_EQ(read.m_strNickname, "");
}

TEST(NoteFile, ReportsWhatWentWrong)
{
    QTemporaryDir dir;
    CNoteRecord read;
    QString strError;
    EXPECT_FALSE(Load(dir.filePath(QStringLiteral("missing.bni")), read, &strError));
    EXPECT_EQ(strError, QStringLiteral("Failed to open document."));

    const QString strGarbled = dir.filePath(QStringLiteral("garbled.bno"));
    QFile garbled(strGarbled);
    ASSERT_TRUE(garbled.open(QIODevice::WriteOnly));
    garbled.write("This is not a note at all.\n");
    garbled.close();
    EXPECT_FALSE(Load(strGarbled, read, &strError));
    EXPECT_EQ(strError, QStringLiteral("Unexpected file format."));

    // A file far larger than any note is not read into memory.
    const QString strHuge = dir.filePath(QStringLiteral("huge.bni"));
    QFile huge(strHuge);
    ASSERT_TRUE(huge.open(QIODevice::WriteOnly));
    ASSERT_TRUE(huge.resize(MaxFileSize + 1));
    huge.close();
    EXPECT_FALSE(Load(strHuge, read, &strError));
    EXPECT_EQ(strError, QStringLiteral("Unexpected file format."));

    EXPECT_FALSE(Save(dir.filePath(QStringLiteral("no/such/folder/x.bno")),
                      SampleNotes::LunchRecord(), "x", &strError));
    EXPECT_EQ(strError, QStringLiteral("Failed to save document."));
}

TEST(NoteFile, AFailedSaveKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString strPath = dir.filePath(QStringLiteral("keep.bno"));
    QString strError;
    ASSERT_TRUE(Save(strPath, SampleNotes::LunchRecord(), "x", &strError));
    // A folder in the way of the temporary file makes the next save fail.
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    CNoteRecord changed = SampleNotes::LunchRecord();
    changed.m_strBody = "changed";
    const bool bSaved = Save(strPath, changed, "x", &strError);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    CNoteRecord read;
    ASSERT_TRUE(Load(strPath, read, &strError));
    // Whether or not the save could go through (root may write anywhere), the file
    // holds one whole note: the old or the new.
    EXPECT_EQ(read.m_strBody,
              bSaved ? QByteArray("changed") : SampleNotes::LunchRecord().m_strBody);
}

TEST(NoteFile, OnlyRegularFilesAreOpened)
{
    // A FIFO would make the reader wait for a writer for ever; a folder, a
    // device or a socket is no note either. Each is refused at once.
    QTemporaryDir dir;
    const QString strFifo = dir.filePath(QStringLiteral("pipe.bno"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(strFifo).constData(), 0600), 0);
    const QString strSocket = dir.filePath(QStringLiteral("socket.bni"));
    const int nSocket = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, QFile::encodeName(strSocket).constData(),
                 sizeof(address.sun_path) - 1);
    ASSERT_EQ(::bind(nSocket, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
    for (const QString& strPath : {strFifo, strSocket, dir.path(), QStringLiteral("/dev/zero"),
                                   dir.filePath(QStringLiteral("x/../"))}) {
        auto load = std::async(std::launch::async, [strPath] {
            CNoteRecord record;
            QString strError;
            const bool bLoaded = Load(strPath, record, &strError);
            return std::make_pair(bLoaded, strError);
        });
        if (load.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
            ADD_FAILURE() << "waits on " << strPath.toStdString();
            QFile writer(strFifo); // let the reader go
            writer.open(QIODevice::WriteOnly);
        }
        const auto [bLoaded, strError] = load.get();
        EXPECT_FALSE(bLoaded) << strPath.toStdString();
        EXPECT_EQ(strError, QStringLiteral("Failed to open document.")) << strPath.toStdString();
    }
    ::close(nSocket);
}

TEST(NoteFile, AFileThatCannotBeReadIsNoEmptyNote)
{
    // A regular file whose reading fails: an error, not a note without text.
    CNoteRecord record;
    record.m_strBody = "kept";
    QString strError;
    EXPECT_FALSE(Load(QStringLiteral("/proc/self/mem"), record, &strError));
    EXPECT_EQ(strError, QStringLiteral("Failed to open document."));
    EXPECT_EQ(record.m_strBody, "kept");
}
