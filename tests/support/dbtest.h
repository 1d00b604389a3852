#pragma once

#include "data/tdm.h"

#include <QVariant>
#include <gtest/gtest.h>

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
