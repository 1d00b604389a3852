#include "iprafiles.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

#include <gtest/gtest.h>

QString IpraXml(const IpraFileFields& fields)
{
    QString xml = QStringLiteral("<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                 "<tIPRA xmlns:ct=\"http://example.org/ipra/common\">\n");
    if (!fields.mseid.isEmpty())
        xml += QStringLiteral("  <Id>%1</Id>\n").arg(fields.mseid.toHtmlEscaped());
    xml += QStringLiteral(
               "  <Number>512.7.44/2023</Number>\n"
               "  <IssueDate>2023-03-16</IssueDate>\n"
               "  <EndDate>2025-04-01</EndDate>\n"
               "  <Person>\n"
               "    <FIO><ct:LastName>%1</ct:LastName><ct:FirstName>Иван</ct:FirstName></FIO>\n"
               "    <BirthDate>%2</BirthDate>\n"
               "  </Person>\n"
               "  <MedSection>\n")
               .arg(fields.lastName.toHtmlEscaped(), fields.birthDate.toHtmlEscaped());
    if (!fields.sender.isNull())
        xml += QStringLiteral("    <SenderMedOrgName>%1</SenderMedOrgName>\n").arg(fields.sender.toHtmlEscaped());
    xml += QStringLiteral(
        "    <EventGroups><Group><GroupType><ct:Id>34</ct:Id></GroupType><Need>true</Need></Group></EventGroups>\n"
        "  </MedSection>\n"
        "</tIPRA>\n");
    return xml;
}

QString WriteTextFile(const QString& folder, const QString& name, const QString& text)
{
    const QString path = QDir(folder).filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(text.toUtf8());
    return path;
}

QStringList EntriesInDirectoryOrder(const QString& folder)
{
    QStringList names;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    while (it.hasNext()) {
        it.next();
        names << it.fileName();
    }
    return names;
}
