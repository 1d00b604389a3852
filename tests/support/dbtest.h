#pragma once

#include "data/tdm.h"

#include <QString>
#include <QVariant>
#include <gtest/gtest.h>

#include <ostream>

// Texts in failure messages as text, not bytes (found by argument-dependent lookup).
inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

// A test against the real register: before each test the test database is created
// afresh from the template that holds the schema, and a data module `dm` is
// connected to it through the ViraVIR data source as the program's own login, an
// ordinary role with only the rights db/roles.sql grants.
class DbTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Plain SQL on the data module's connection, for arranging and checking rows with
    // the program's own rights. What the program never does itself (filling logins or
    // fixed directories, deleting an IPRA's rows, changing a table) goes through the
    // administrator's connection instead.
    static void exec(const QString& sql);
    static QVariant scalar(const QString& sql);
    static QList<QVariantList> rows(const QString& sql);
    static void adminExec(const QString& sql);
    static QList<QVariantList> adminRows(const QString& sql);
    // A transaction of the administrator's, for locks the program's role may not take.
    static void adminBegin();
    static void adminEnd(); // commits; a connection lost meanwhile is only forgotten

    // The demo directories and logins, for tests that want a populated register.
    static void loadDemoData();
};

// Drops the test database and creates it again from the template, with the
// program's login given its rights in it.
void ResetTestDatabase();

// Forgets the administrator's connection; the next use opens it again. For a server
// that stops or restarts under it.
void ForgetAdminConnection();

// Another workstation on the same register: a connection of its own through the same
// data source, changing rows that the pages under test have read before.
class OtherWorkstation
{
public:
    OtherWorkstation();
    void exec(const QString& sql);

private:
    TConnection m_connection;
};
