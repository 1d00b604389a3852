#pragma once

#include <QSqlDatabase>
#include <QString>

// The program's one connection to the register, through an ODBC data source.
class TConnection
{
public:
    explicit TConnection(const QString& connectionName);
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // An OLE DB style connection string ("Password=…;User ID=…;Data Source=…"):
    // only the data source, the user and the password are taken from it.
    void setConnectionString(const QString& connectionString);
    QString dataSource() const { return m_dataSource; }
    QString userName() const { return m_user; }

    void open();   // throws DbError with the driver's text; an open connection stays as it is
    void close();
    bool isOpen() const;
    QSqlDatabase database() const;
    // Grows with every successful open, so statements know when to prepare again.
    int generation() const { return m_generation; }

    // Whether the driver hands text bound as SQL_C_CHAR over as the server's UTF-8,
    // byte for byte; checked at every open.
    bool charTextIsUtf8() const { return m_charTextIsUtf8; }
    void setCharTextIsUtf8(bool utf8) { m_charTextIsUtf8 = utf8; } // for the tests of both ways

    // The connection as the ODBC driver describes it once connected:
    // "DSN=…;DATABASE=…;SERVER=…;PORT=…;UID=…;". The password is never part of it.
    QString connectionDescription() const;

    void beginTransaction();
    void commit();
    void rollback(); // never throws: it is called while another error is on its way
    bool inTransaction() const { return m_inTransaction; }

private:
    QString m_name;
    QString m_dataSource;
    QString m_user;
    QString m_password;
    int m_generation = 0;
    bool m_inTransaction = false;
    bool m_charTextIsUtf8 = false;
};

// Splits "Key=Value;Key=Value" (keys compared without case) and returns one value.
QString connectionStringValue(const QString& connectionString, const QString& key);
