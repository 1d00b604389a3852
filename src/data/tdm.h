#pragma once

#include "data/connection.h"
#include "data/datasource.h"
#include "data/sqlstatement.h"

#include <QObject>

// The data module: the one connection and every named statement of the program.
// Pages reach the database only through these statements.
class Tdm : public QObject
{
    Q_OBJECT
public:
    explicit Tdm(QObject* parent = nullptr);
    ~Tdm() override;

    // The built-in connection: user, password and the ODBC data source.
    static const QString ConnectionString;

    // The two texts of adoqExecs: the directory by name (at start) and by number. Its rows
    // carry their version (row_version), which adocExUpd and adocExDel compare.
    static const QString ExecsByName;
    static const QString ExecsById;

    TConnection conPg;

    // Login and settings
    SqlQuery* adoqLogin;
    SqlQuery* adoqTmp;

    // IPRA import and the loading of a stored IPRA
    SqlQuery* adoqFindProg;
    SqlCommand* adocPrgIns;
    SqlQuery* adoqFingProgId;
    SqlCommand* adocEvntIns;
    SqlQuery* adoqFindEvnt;
    SqlCommand* adocEvntUpd;
    SqlCommand* adocMOins;
    SqlQuery* adoqFindMo;
    SqlCommand* adocMoUpd;
    SqlQuery* adoqFindPers;
    SqlCommand* adocPersIns;
    SqlCommand* adocPersUpd;
    SqlQuery* adoqFindAddr;
    SqlCommand* adocAddrIns;
    SqlCommand* adocAddrUpd;
    SqlQuery* adoqFindAddrExp;
    SqlQuery* adoqFindDoc;
    SqlCommand* adocDocIns;
    SqlCommand* adocDocUpd;

    // Sender organisation names and their matching
    SqlQuery* adoqFindRName;
    SqlCommand* adocRNameIns;
    SqlQuery* adoqEmpTNames;
    SqlQuery* adoqTNames;
    SqlCommand* adocSetTname;

    // Distribution
    SqlQuery* adoqDistrIpra;
    SqlQuery* adoqDistrDoc;
    SqlQuery* adoqDistrAddr;
    SqlCommand* adocDistrSetRespMo;

    // Executors directory
    SqlQuery* adoqExecs;
    SqlCommand* adocExIns;
    SqlCommand* adocExUpd;
    SqlCommand* adocExDel;

    // Execution
    SqlQuery* adoqOrgIpra;
    SqlQuery* adoqRes;
    SqlQuery* adoqEvSubType;
    SqlQuery* adoqFindRes;
    SqlQuery* adoqEvExec;
    SqlQuery* adoqEvDic;
    SqlQuery* adoqEvDicTyped;
    SqlQuery* adoqEvNmUsed;
    SqlCommand* adocEvDicIns;
    SqlCommand* adocEvDicRef;
    SqlQuery* adoqEvDetPrg;
    SqlQuery* adocEvDetIns; // INSERT … RETURNING: a query for the row it returns
    SqlQuery* adocEvDetUpd; // UPDATE … RETURNING, likewise
    SqlCommand* adocEvDetDel;

    // Statements of the lists' search and the IPRA card (none of them writes)
    SqlQuery* adoqIpraSearch;
    SqlQuery* adoqOrgIpraSearch;
    SqlQuery* adoqCardIpra;
    SqlQuery* adoqCardEvents;

    // Data sources binding the list queries to their grids
    DataSource* dsEmpNames;
    DataSource* dsTNames;
    DataSource* dsDistrIpra;
    DataSource* dsExecs;
    DataSource* dsOrgIpra;

    QList<SqlStatement*> statements() const;
    SqlStatement* statement(const QString& name) const;

private:
    SqlQuery* query(const char* name, const QStringList& lines, bool isStatic = false);
    SqlCommand* command(const char* name, const QStringList& lines);
};

// The program's one data module; null before start-up creates it and after it is freed.
extern Tdm* dm;
