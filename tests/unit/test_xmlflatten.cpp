#include "import/xmlflatten.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Pair
{
    QString key;
    QString value;
    bool operator==(const Pair& other) const = default;
};

void PrintTo(const Pair& pair, std::ostream* out)
{
    *out << '"' << pair.key.toStdString() << "\" = \"" << pair.value.toStdString() << '"';
}

struct Flattened
{
    IpraLoadResult result;
    QList<Pair> pairs;
};

Flattened flatten(const QString& path)
{
    Flattened out;
    out.result = LoadIpraFile(path, [&](const QString& key, const QString& value) {
        out.pairs.append({key, value});
    });
    return out;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
}

// Windows-1251 for the letters these tests use: ASCII, А..я, Ё, ё.
QByteArray toWindows1251(const QString& text)
{
    QByteArray out;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            out += char(u);
        else if (u >= 0x0410 && u <= 0x044F)
            out += char(0xC0 + (u - 0x0410));
        else if (u == 0x0401)
            out += char(0xA8);
        else if (u == 0x0451)
            out += char(0xB8);
        else
            ADD_FAILURE() << "no Windows-1251 letter for U+" << std::hex << int(u);
    }
    return out;
}

const QString kNs = QStringLiteral(" xmlns=\"urn:ipra\" xmlns:ct=\"urn:ipra:ct\" xmlns:x=\"urn:x\"");

QByteArray doc(const QString& body)
{
    return (QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<tIPRA") + kNs + u'>' + body
            + QStringLiteral("</tIPRA>"))
        .toUtf8();
}

struct WalkCase
{
    const char* name;
    QByteArray xml;
    QList<Pair> pairs;
};

const QString k300 = QString(150, u'Ж') + QString(150, u'z');

QList<WalkCase> walkCases()
{
    return {
        {"prefixes as written",
         doc("<Person><FIO><ct:LastName>Иванов</ct:LastName><LastName>Петров</LastName>"
             "<x:LastName>Сидоров</x:LastName></FIO></Person>"),
         {{"PersonFIOct:LastName", "Иванов"}, {"PersonFIOLastName", "Петров"}, {"PersonFIOx:LastName", "Сидоров"}}},
        {"an undeclared prefix is still read as written",
         "<tIPRA><Person><FIO><ct:LastName>Иванов</ct:LastName></FIO></Person></tIPRA>",
         {{"PersonFIOct:LastName", "Иванов"}}},
        {"empty tags deliver nothing",
         doc("<Id/><Number></Number><ProtocolNum>7</ProtocolNum>"),
         {{"ProtocolNum", "7"}}},
        {"comment splits a text",
         doc("<Id>ab<!-- note -->cd</Id>"),
         {{"Id", "ab"}, {"Id", "cd"}}},
        {"CDATA, processing instructions and attributes deliver nothing",
         doc("<Id><![CDATA[hidden]]></Id><Number a=\"attr\">x<![CDATA[y]]>z<?pi data?>w</Number>"),
         {{"Number", "x"}, {"Number", "z"}, {"Number", "w"}}},
        {"value cut to 254 characters",
         doc("<Id>" + k300 + "</Id>"),
         {{"Id", k300.left(254)}}},
        {"key cut to 50 characters",
         doc("<AAAAAAAAAA><BBBBBBBBBB><CCCCCCCCCC><DDDDDDDDDD><EEEEEEEEEE><FFFFFFFFFF>v"
             "</FFFFFFFFFF></EEEEEEEEEE></DDDDDDDDDD></CCCCCCCCCC></BBBBBBBBBB></AAAAAAAAAA>"),
         {{"AAAAAAAAAABBBBBBBBBBCCCCCCCCCCDDDDDDDDDDEEEEEEEEEE", "v"}}},
        {"text directly under tIPRA has the empty key",
         doc("top<Id>1</Id>tail"),
         {{"", "top"}, {"Id", "1"}, {"", "tail"}}},
        {"white space between elements gives container keys",
         doc("\n <Person>\n  <SNILS>1</SNILS>\n </Person>\n"),
         {{"", "\n "}, {"Person", "\n  "}, {"PersonSNILS", "1"}, {"Person", "\n "}, {"", "\n"}}},
        {"document order, repeated keys",
         doc("<Person><Phones><Phone>1</Phone><Phone>2</Phone></Phones></Person><Id>3</Id>"),
         {{"PersonPhonesPhone", "1"}, {"PersonPhonesPhone", "2"}, {"Id", "3"}}},
        {"an inner tIPRA starts the keys again",
         doc("<A><tIPRA><Id>1</Id></tIPRA><Id>2</Id></A>"),
         {{"Id", "1"}, {"AId", "2"}}},
        {"entity and character references resolved",
         doc("<Id>a&amp;b&lt;c&gt;&quot;&apos;&#1044;&#x416;</Id>"),
         {{"Id", "a&b<c>\"'ДЖ"}}},
        {"internal entity read in place",
         "<?xml version=\"1.0\"?><!DOCTYPE tIPRA [<!ENTITY org \"ОГБУЗ &#171;ДОМ&#187;\">"
         "<!ENTITY part \"<Name>&org;</Name>\">]>"
         "<tIPRA><MedSection><SenderMedOrgName>x &org; y</SenderMedOrgName>&part;</MedSection></tIPRA>",
         {{"MedSectionSenderMedOrgName", "x ОГБУЗ «ДОМ» y"}, {"MedSectionName", "ОГБУЗ «ДОМ»"}}},
    };
}

TEST(XmlFlatten, WalkDeliversKeysAndValuesInDocumentOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const WalkCase& c : walkCases()) {
        SCOPED_TRACE(c.name);
        const Flattened out = flatten(writeFile(dir, "case.xml", c.xml));
        EXPECT_TRUE(out.result.ok) << out.result.reason.toStdString();
        EXPECT_TRUE(out.result.reason.isEmpty());
        EXPECT_EQ(out.pairs, c.pairs);
    }
}

TEST(XmlFlatten, DeclaredEncodingsReadAlike)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString body = QStringLiteral("<tIPRA><Person><FIO><LastName>Ёлкина-Щукина ёж</LastName></FIO></Person></tIPRA>");
    auto declared = [&](const char* encoding) {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?>").arg(QLatin1String(encoding)) + body;
    };
    QStringEncoder utf16le(QStringConverter::Utf16LE, QStringConverter::Flag::WriteBom);
    QStringEncoder utf16be(QStringConverter::Utf16BE, QStringConverter::Flag::WriteBom);
    const struct
    {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"UTF-8", declared("UTF-8").toUtf8()},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + declared("utf-8").toUtf8()},
        {"UTF-8 undeclared", body.toUtf8()},
        {"UTF-16LE with BOM", utf16le.encode(declared("UTF-16"))},
        {"UTF-16BE with BOM", utf16be.encode(declared("UTF-16"))},
        {"windows-1251", toWindows1251(declared("windows-1251"))},
        {"WINDOWS-1251 in capitals", toWindows1251(declared("WINDOWS-1251"))},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Flattened out = flatten(writeFile(dir, "enc.xml", c.bytes));
        EXPECT_TRUE(out.result.ok) << out.result.reason.toStdString();
        EXPECT_EQ(out.pairs, (QList<Pair>{{"PersonFIOLastName", "Ёлкина-Щукина ёж"}}));
    }
}

TEST(XmlFlatten, RefusedFilesGiveAReasonAndNoPairs)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("folder.xml");

    const QString big = dir.filePath("big.xml");
    {
        QFile file(big);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("<tIPRA>");
        ASSERT_TRUE(file.resize(100LL * 1024 * 1024)); // sparse: cheap to make
    }

    QByteArray laughs = "<?xml version=\"1.0\"?>\n<!DOCTYPE tIPRA [\n<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY lol" + QByteArray::number(i) + " \"";
        for (int j = 0; j < 10; ++j)
            laughs += "&lol" + QByteArray::number(i - 1) + ";";
        laughs += "\">\n";
    }
    laughs += "]>\n<tIPRA><Id>&lol9;</Id></tIPRA>\n";

    const struct
    {
        const char* name;
        QString path;
        const char* reasonPart;
    } cases[] = {
        {"missing file", dir.filePath("missing.xml"), "не найден"},
        {"a folder", dir.filePath("folder.xml"), "папка"},
        {"100 MB file", big, "слишком велик"},
        {"empty file", writeFile(dir, "empty.xml", ""), "пуст"},
        {"binary with zero bytes", writeFile(dir, "png.xml", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
         "двоичные"},
        {"bytes that are no UTF-8", writeFile(dir, "junk.xml", "<tIPRA><Id>\xff\xfe\xfa</Id></tIPRA>"),
         "Ошибка в XML (строка 1"},
        {"malformed", writeFile(dir, "bad.xml", "<tIPRA>\n<Id>1</Number>\n</tIPRA>"),
         "Ошибка в XML (строка 2"},
        {"unclosed", writeFile(dir, "cut.xml", doc("<Id>1</Id>").chopped(4)), "Ошибка в XML"},
        {"another document element", writeFile(dir, "other.xml", "<tIPRB><Id>1</Id></tIPRB>"),
         "корневой элемент «tIPRB» вместо «tIPRA»"},
        {"prefixed tIPRA", writeFile(dir, "prefixed.xml", "<x:tIPRA xmlns:x=\"urn:x\"><Id>1</Id></x:tIPRA>"),
         "корневой элемент «x:tIPRA»"},
        {"billion laughs", writeFile(dir, "laughs.xml", laughs), "Ошибка в XML"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Flattened out = flatten(c.path);
        EXPECT_FALSE(out.result.ok);
        EXPECT_TRUE(out.result.reason.contains(QString::fromUtf8(c.reasonPart)))
            << out.result.reason.toStdString();
        EXPECT_TRUE(out.pairs.isEmpty());
    }
}

TEST(XmlFlatten, ExternalEntitiesAndDtdsAreNeverRead)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeFile(dir, "secret.txt", "SECRET-TEXT");
    writeFile(dir, "secret.dtd", "<!ENTITY leak \"SECRET-DTD\"><!ENTITY % inner \"<!ENTITY leak2 'SECRET-PE'>\"> %inner;");
    const QByteArray absolute = QUrl::fromLocalFile(dir.filePath("secret.txt")).toEncoded();
    const QByteArray xml =
        "<?xml version=\"1.0\"?>\n"
        "<!DOCTYPE tIPRA SYSTEM \"secret.dtd\" [\n"
        "<!ENTITY xxe SYSTEM \"secret.txt\">\n"
        "<!ENTITY xxeabs SYSTEM \"" + absolute + "\">\n"
        "<!ENTITY % pe SYSTEM \"secret.dtd\"> %pe;\n"
        "]>\n"
        "<tIPRA><Id>a&xxe;b</Id><Number>&xxeabs;</Number><ProtocolNum>&leak;&leak2;</ProtocolNum></tIPRA>";
    const Flattened out = flatten(writeFile(dir, "xxe.xml", xml));
    EXPECT_TRUE(out.result.ok) << out.result.reason.toStdString();
    EXPECT_EQ(out.pairs, (QList<Pair>{{"Id", "ab"}}));
}

TEST(XmlFlatten, ReceiverErrorsEndTheWalk)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = writeFile(dir, "two.xml", doc("<Id>1</Id><Number>2</Number>"));
    QList<Pair> seen;
    EXPECT_THROW(LoadIpraFile(path,
                              [&](const QString& key, const QString& value) {
                                  seen.append({key, value});
                                  throw std::runtime_error("stop");
                              }),
                 std::runtime_error);
    EXPECT_EQ(seen, (QList<Pair>{{"Id", "1"}}));
}

} // namespace
