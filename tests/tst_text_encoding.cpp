// The UTF-8 or GB18030 guess shared by config.ini and the csv import.
#include <QtTest>

#include "platform/text_encoding.h"
#include "platform/text_file.h"

class TestTextEncoding : public QObject
{
    Q_OBJECT

private slots:
    void guessesFromEveryChunk();
    void decodesWholeFilesWithoutTheByteOrderMark();
};

void TestTextEncoding::guessesFromEveryChunk()
{
    const QByteArray utf8 = QStringLiteral("姓名,学生甲").toUtf8();
    // A character cut between two chunks is still UTF-8 ...
    TextEncoding::Guess cut;
    cut.add(utf8.left(8));
    cut.add(utf8.mid(8));
    QVERIFY(cut.isUtf8());
    QCOMPARE(cut.decoder()(utf8), QStringLiteral("姓名,学生甲"));
    // ... but not one the file ends inside, nor GBK bytes in a later chunk.
    TextEncoding::Guess truncated;
    truncated.add(utf8.left(utf8.size() - 1));
    QVERIFY(!truncated.isUtf8());
    TextEncoding::Guess gbkLater;
    gbkLater.add(utf8);
    gbkLater.add(TextFile::encodeGb18030(QStringLiteral("乙")));
    QVERIFY(!gbkLater.isUtf8());
    QCOMPARE(gbkLater.decoder()(TextFile::encodeGb18030(QStringLiteral("学生乙"))), QStringLiteral("学生乙"));
}

void TestTextEncoding::decodesWholeFilesWithoutTheByteOrderMark()
{
    const QString text = QStringLiteral("Password=密码;#,");
    QCOMPARE(TextEncoding::decodeGuessed("\xEF\xBB\xBF" + text.toUtf8()), text);
    QCOMPARE(TextEncoding::decodeGuessed(TextFile::encodeGb18030(QChar(0xFEFF) + text)), text);
    QCOMPARE(TextEncoding::decodeGuessed(QByteArray()), QString());
}

QTEST_GUILESS_MAIN(TestTextEncoding)
#include "tst_text_encoding.moc"
