#pragma once

#include <QString>
#include <QStringList>

// Small IPRA files written to disk for the tests of the import run, the page and the
// headless importer.
struct IpraFileFields
{
    QString mseid;                 // no Id element when empty
    QString sender;                // no SenderMedOrgName element when null
    QString birthDate = QStringLiteral("1975-04-03");
    QString lastName = QStringLiteral("Петров");
};

// A well-formed IPRA with its holder, one event group and the given identifier and sender.
QString IpraXml(const IpraFileFields& fields);

// Writes text as UTF-8 to folder/name and returns the path; fails the test when it cannot.
QString WriteTextFile(const QString& folder, const QString& name, const QString& text);

// The entries of folder in the order the file system gives them (as the listing sees them).
QStringList EntriesInDirectoryOrder(const QString& folder);
