// The IPRA card: built from the register, written as PDF, read back with pdftotext.

#include "cardipra.h"
#include "dbtest.h"

#include "card/ipracard.h"
#include "platform/errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextDocument>

TEST_F(DbTest, TheCardHoldsTheIpraItsPeopleOrganisationsAndEveryRecord)
{
    loadDemoData();
    const int id = CardIpra::add();
    QTemporaryDir folder;
    const QString file = folder.filePath("card.pdf");
    const auto card = BuildIpraCard(id);
    WriteIpraCardPdf(*card, file);
    const QString text = CardIpra::pdfText(file);
    for (const QString& part : CardIpra::expectedTexts())
        EXPECT_TRUE(text.contains(part)) << part.toStdString() << "\n" << text.toStdString();

    // Every font in the file is embedded, so the Russian text reads on any computer.
    QProcess fonts;
    fonts.start(QStringLiteral("pdffonts"), {file});
    fonts.waitForFinished(30000);
    const QStringList lines = QString::fromUtf8(fonts.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2) << "no fonts listed";
    for (const QString& line : lines.mid(2))
        EXPECT_TRUE(line.contains(QStringLiteral(" yes "))) << line.toStdString();
}

TEST_F(DbTest, TheCardOfAnIpraWithoutRepresentativeOrGroups)
{
    const int id = StoredIpra::addIpra({.prgnum = "9/2024", .respMoId = 0});
    QTemporaryDir folder;
    const auto card = BuildIpraCard(id);
    WriteIpraCardPdf(*card, folder.filePath("card.pdf"));
    const QString text = CardIpra::pdfText(folder.filePath("card.pdf"));
    EXPECT_TRUE(text.contains(QStringLiteral("Представитель Нет"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Ответственная организация не назначена")));
    EXPECT_TRUE(text.contains(QStringLiteral("мероприятия не внесены")));
}

TEST_F(DbTest, ACardThatCannotBeMadeOrWrittenLeavesNoFile)
{
    QTemporaryDir folder;
    try {
        BuildIpraCard(4242);
        ADD_FAILURE() << "no error for a missing IPRA";
    } catch (const DbError& e) {
        EXPECT_EQ(e.message(), QStringLiteral("ИПРА с кодом 4242 не найдена"));
    }
    const auto card = BuildIpraCard(StoredIpra::addIpra());
    try {
        WriteIpraCardPdf(*card, folder.filePath("missing/card.pdf"));
        ADD_FAILURE() << "no error for a missing folder";
    } catch (const AppError& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Не удалось записать файл «"))) << e.message().toStdString();
    }
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::Dirs | QDir::NoDotAndDotDot).isEmpty());
}

TEST(IpraCardFileName, NamedAfterTheNumberWithWhatFileNamesCannotHoldReplaced)
{
    EXPECT_EQ(IpraCardFileName(QStringLiteral("1234.5.67/2024"), 7), QStringLiteral("Карта ИПРА 1234.5.67_2024.pdf"));
    EXPECT_EQ(IpraCardFileName(QStringLiteral(" a\\b:c*d?e\"f<g>h|i "), 7), QStringLiteral("Карта ИПРА a_b_c_d_e_f_g_h_i.pdf"));
    EXPECT_EQ(IpraCardFileName(QString(), 7), QStringLiteral("Карта ИПРА 7.pdf"));
}
