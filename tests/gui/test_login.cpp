#include "guidbtest.h"

#include "data/currentorg.h"
#include "platform/ui/messagebox.h"
#include "platform/version.h"
#include "session/login.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {

class LoginTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
        delete CurrentOrg;
        CurrentOrg = nullptr;
        ProgramVersion.clear();
    }

    static void setAllowedVersion(const QString& version)
    {
        adminExec(QString("update k_vars set val='%1' where name='AppVer'").arg(version));
    }

    // Types the entries as a user would and presses OK.
    static void attempt(TfLogin& dialog, const QString& login, const QString& password)
    {
        dialog.eLogin->clear();
        dialog.ePassw->clear();
        QTest::keyClicks(dialog.eLogin, login);
        QTest::keyClicks(dialog.ePassw, password);
        QTest::mouseClick(dialog.bbOk, Qt::LeftButton);
    }
};

} // namespace

TEST_F(LoginTest, OkNeedsBothEntriesAndLettersBecomeCapitals)
{
    TfLogin dialog;
    dialog.show();
    EXPECT_FALSE(dialog.bbOk->isEnabled());
    EXPECT_EQ(dialog.stpnVer->text(), QString(IPRA_VERSION_STRING).left(7));
    QTest::keyClicks(dialog.eLogin, "adMin");
    EXPECT_EQ(dialog.eLogin->text(), "ADMIN");
    EXPECT_FALSE(dialog.bbOk->isEnabled());
    QTest::keyClicks(dialog.ePassw, "x");
    EXPECT_TRUE(dialog.bbOk->isEnabled());
    EXPECT_EQ(dialog.ePassw->text(), "X");
    EXPECT_EQ(dialog.ePassw->echoMode(), QLineEdit::Password);
    dialog.eLogin->clear();
    EXPECT_FALSE(dialog.bbOk->isEnabled());
    EXPECT_TRUE(Msg::shown().isEmpty());
}

TEST_F(LoginTest, AttemptsAndTheirAnswers)
{
    const QString mismatch = "error: Несовпадение версий. Необходимо обновление программы.";
    struct Case
    {
        const char* what;
        const char* login;
        const char* password;
        QString allowed;      // 'AppVer'
        QString ourVersion;   // ProgramVersion
        bool accepted;
        QString message;      // the one box shown, if any
    };
    const Case cases[] = {
        {"same version", "admin", "admin", "1.0.0.1", "1.0.0.1", true, {}},
        {"allowed version cut to 7", "admin", "admin", "1.0.0.15", "1.0.0.1", true, {}},
        {"other version", "admin", "admin", "1.0.0.2", "1.0.0.1", false, mismatch},
        {"empty version, empty allowed", "admin", "admin", "", "", true, {}},
        {"empty version", "admin", "admin", "1.0.0.1", "", false, mismatch},
        {"no organisation", "noorg", "noorg", "1.0.0.1", "1.0.0.1", false,
         "error: Организация не авторизована в программе"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        setAllowedVersion(c.allowed);
        TfLogin dialog;
        dialog.show();
        ProgramVersion = c.ourVersion;
        Msg::clearShown();
        attempt(dialog, c.login, c.password);
        EXPECT_EQ(dialog.result() == QDialog::Accepted, c.accepted);
        EXPECT_EQ(CurrentOrg != nullptr, c.accepted);
        EXPECT_EQ(Msg::shown(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
        if (!c.accepted) {
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(dialog.eLogin->text(), QString(c.login).toUpper());
        }
        EXPECT_FALSE(dm->adoqLogin->isOpen());
        EXPECT_FALSE(dm->adoqTmp->isOpen());
        delete CurrentOrg;
        CurrentOrg = nullptr;
    }
}

TEST_F(LoginTest, SuccessFillsTheSessionOrganisationWithTheLowBitsOfTheLevel)
{
    adminExec("update k_login set lvl=266 where login='ADMIN'");
    const auto org = rows("select e.id, e.name, e.scode, e.inn, e.ogrn from k_login l "
                          "join rhb_exc e on e.id=l.mo_id where l.login='ADMIN'");
    ASSERT_EQ(org.size(), 1);
    TfLogin dialog;
    dialog.show();
    attempt(dialog, "admin", "admin");
    ASSERT_NE(CurrentOrg, nullptr);
    EXPECT_EQ(CurrentOrg->lvl, 10);
    EXPECT_EQ(CurrentOrg->mo_id, org[0][0].toInt());
    EXPECT_EQ(CurrentOrg->name, org[0][1].toString());
    EXPECT_EQ(CurrentOrg->scode, org[0][2].toString());
    EXPECT_EQ(CurrentOrg->inn, org[0][3].toString());
    EXPECT_EQ(CurrentOrg->ogrn, org[0][4].toString());
}

// A wrong password shakes the dialog and leaves everything as typed; the corrected
// password then logs in with the same dialog.
TEST_F(LoginTest, WrongPasswordShakesThenACorrectionLogsIn)
{
    TfLogin dialog;
    dialog.show();
    const QPoint start = dialog.pos();
    attempt(dialog, "admin", "wrong");
    EXPECT_TRUE(Msg::shown().isEmpty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.pos(), start);
    EXPECT_EQ(dialog.ePassw->text(), "WRONG");
    EXPECT_EQ(CurrentOrg, nullptr);

    dialog.ePassw->clear();
    QTest::keyClicks(dialog.ePassw, "admin");
    QTest::mouseClick(dialog.bbOk, Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_NE(CurrentOrg, nullptr);
}

TEST_F(LoginTest, ShakeFollowsItsPathAndEndsWhereItBegan)
{
    TfLogin dialog;
    dialog.show();
    const QPoint start = dialog.pos();
    QList<QPoint> path;
    dialog.Shake([&](QPoint p) { path << p - start; });
    const QList<QPoint> pass = {{-5, -5}, {5, 5}, {0, 0}, {5, -5}, {-5, 5}, {0, 0}};
    ASSERT_EQ(path.size(), 24);
    for (int i = 0; i < 24; ++i)
        EXPECT_EQ(path[i], pass[i % 6]) << "move " << i + 1;
    EXPECT_EQ(dialog.pos(), start);
}

TEST_F(LoginTest, UnreachableDatabaseAtShowLeavesTheVersionEmpty)
{
    dm->conPg.close();
    dm->conPg.setConnectionString("Password=vemp;User ID=postgres;Data Source=NoSuchDataSource");
    TfLogin dialog;
    dialog.show();
    EXPECT_EQ(Msg::shown(), QStringList{"error: не удалось соединиться с базой данных"});
    EXPECT_TRUE(ProgramVersion.isEmpty());
    EXPECT_TRUE(dialog.stpnVer->text().isEmpty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(dialog.bbOk->isEnabled());

    // An attempt now fails on the connection: the driver's text, the dialog stays.
    Msg::clearShown();
    attempt(dialog, "admin", "admin");
    ASSERT_EQ(Msg::shown().size(), 1);
    EXPECT_TRUE(Msg::shown()[0].contains("Data source name not found"))
        << Msg::shown()[0].toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(CurrentOrg, nullptr);
}

TEST_F(LoginTest, MissingAllowedVersionIsAnErrorNotALogin)
{
    adminExec("delete from k_vars where name='AppVer'");
    TfLogin dialog;
    dialog.show();
    attempt(dialog, "admin", "admin");
    EXPECT_EQ(Msg::shown().size(), 1);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(CurrentOrg, nullptr);
    EXPECT_FALSE(dm->adoqLogin->isOpen());
    EXPECT_FALSE(dm->adoqTmp->isOpen());
}
