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
// connected to it through the ViraVIR data source.
class DbTest : public ::testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Plain SQL on the data module's connection, for arranging and checking rows.
    static void exec(const QString& sql);
    static QVariant scalar(const QString& sql);
    static QList<QVariantList> rows(const QString& sql);

    // The demo directories and logins, for tests that want a populated register.
    static void loadDemoData();
};

// Drops the test database and creates it again from the template.
void ResetTestDatabase();

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
