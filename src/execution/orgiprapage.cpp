#include "execution/orgiprapage.h"

#include "data/lookuplists.h"
#include "data/tdm.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

namespace {

struct EventTypePage
{
    const char* page;
    const char* caption;
    const char* subtypeCaption;
};

const EventTypePage EventTypePages[4] = {
    {"tsMedReab", "Медицинская реабилитация", "Подтип мероприятий"},
    {"tsRecHir", "Реконструктивная хирургия", "Подгруппа мероприятий"},
    {"tsProtez", "Протезирование, ортезирование", "Подгруппа мероприятий"},
    {"tsSanCur", "Санаторно-курортное лечение", "Подгруппа мероприятий"},
};

// A label of a person panel that wraps its text, on the yellow background.
QLabel* nameLabel(QWidget* panel, const QString& name, const QRect& geometry)
{
    QLabel* label = MakeLabel(panel, name, QString(), geometry);
    label->setWordWrap(true);
    SetYellowBackground(label);
    return label;
}

} // namespace

TOrgIpraPage::TOrgIpraPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsOrgIpra"));

    // Sizes and the right-hand column follow the window's size rules when it is shown.
    dbgOrgIpra = CreateDataGrid(this, QStringLiteral("dbgOrgIpra"));
    dbgOrgIpra->setGeometry(8, 8, 600, 250);

    pOrgIpraInfo = MakePanel(this, QStringLiteral("pOrgIpraInfo"), QRect(613, 8, 400, 170));
    MakeCaption(pOrgIpraInfo, QStringLiteral("№ ИПРА"), 8, 6);
    lDescIpraNum = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescIpraNum"), QString(),
                             QRect(190, 6, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("Дата разработки"), 8, 30);
    lDescDtIpra = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescDtIpra"), QString(),
                            QRect(190, 30, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("№ протокола"), 8, 54);
    lDescNumProt = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescNumProt"), QString(),
                             QRect(190, 54, 200, 22));
    MakeCaption(pOrgIpraInfo, QStringLiteral("Дата протокола"), 8, 78);
    lDescDtProt = MakeLabel(pOrgIpraInfo, QStringLiteral("lDescDtProt"), QString(),
                            QRect(190, 78, 200, 22));
    lOrgSendMoDesc = MakeLabel(pOrgIpraInfo, QStringLiteral("lOrgSendMoDesc"),
                               QStringLiteral("Направившая организация"), QRect(8, 104, 380, 22));
    lOrgSendMO = MakeLabel(pOrgIpraInfo, QStringLiteral("lOrgSendMO"), QString(),
                           QRect(8, 128, 380, 36));
    lOrgSendMO->setWordWrap(true);
    pOrgIpraInfo->hide();

    pOrgPers = MakePanel(this, QStringLiteral("pOrgPers"), QRect(613, 183, 400, 330));
    MakeCaption(pOrgPers, QStringLiteral("ФИО владельца ИПРА"), 10, 6);
    lOrgPersFio = nameLabel(pOrgPers, QStringLiteral("lOrgPersFio"), QRect(10, 28, 380, 44));
    MakeCaption(pOrgPers, QStringLiteral("Дата рождения"), 10, 78);
    lOrgPersBDate = MakeLabel(pOrgPers, QStringLiteral("lOrgPersBDate"), QString(),
                              QRect(170, 78, 220, 22));
    MakeCaption(pOrgPers, QStringLiteral("СНИЛС"), 10, 102);
    lOrgPersSnils = MakeLabel(pOrgPers, QStringLiteral("lOrgPersSnils"), QString(),
                              QRect(170, 102, 220, 22));
    MakeCaption(pOrgPers, QStringLiteral("Документ"), 10, 128);
    mOrgPersDoc = MakeMemo(pOrgPers, QStringLiteral("mOrgPersDoc"), QRect(10, 150, 380, 80), true, true);
    MakeCaption(pOrgPers, QStringLiteral("Контактные данные"), 10, 234);
    mOrgPersAddr = MakeMemo(pOrgPers, QStringLiteral("mOrgPersAddr"), QRect(10, 256, 380, 66), true, true);
    pOrgPers->hide();

    pOrgRepr = MakePanel(this, QStringLiteral("pOrgRepr"), QRect(613, 518, 400, 166));
    MakeCaption(pOrgRepr, QStringLiteral("Представитель"), 10, 6);
    lOrgReprFio = nameLabel(pOrgRepr, QStringLiteral("lOrgReprFio"), QRect(10, 28, 380, 44));
    MakeCaption(pOrgRepr, QStringLiteral("Документ"), 10, 76);
    mOrgReprDoc = MakeMemo(pOrgRepr, QStringLiteral("mOrgReprDoc"), QRect(10, 98, 380, 60), true, true);
    pOrgRepr->hide();

    pOrgEvnts = MakePanel(this, QStringLiteral("pOrgEvnts"), QRect(8, 263, 600, 400));
    MakeCaption(pOrgEvnts, QStringLiteral("Типы мероприятий"), 8, 4);
    pcEvnts = new QTabWidget(pOrgEvnts);
    pcEvnts->setObjectName(QStringLiteral("pcEvnts"));
    pcEvnts->setGeometry(8, 28, 584, 364);
    QWidget** pages[4] = {&tsMedReab, &tsRecHir, &tsProtez, &tsSanCur};
    QLabel** terms[4] = {&lTerm1, &lTerm2, &lTerm3, &lTerm4};
    QComboBox** subtypes[4] = {&cbSubType1, &cbSubType2, &cbSubType3, &cbSubType4};
    QTableWidget** grids[4] = {&sgEvents1, &sgEvents2, &sgEvents3, &sgEvents4};
    const QStringList titles = {QString(), QStringLiteral("Мероприятие"),
                                QStringLiteral("Исполнитель"), QStringLiteral("Дата выполнения"),
                                QStringLiteral("Результат"), QString()};
    for (int i = 0; i < 4; ++i) {
        const QString number = QString::number(i + 1);
        auto* page = new QWidget;
        page->setObjectName(QString::fromLatin1(EventTypePages[i].page));
        pcEvnts->addTab(page, QString::fromUtf8(EventTypePages[i].caption));
        *pages[i] = page;
        MakeCaption(page, QStringLiteral("Период исполнения"), 8, 8);
        *terms[i] = MakeLabel(page, QStringLiteral("lTerm") + number, QString(), QRect(200, 8, 360, 22));
        MakeCaption(page, QString::fromUtf8(EventTypePages[i].subtypeCaption), 8, 36);
        *subtypes[i] = MakeDropDown(page, QStringLiteral("cbSubType") + number, QRect(8, 60, 560, 28));
        QTableWidget* grid =
            MakeStringGrid(page, QStringLiteral("sgEvents") + number, titles, QRect(8, 96, 560, 200));
        grid->setStyleSheet(QStringLiteral("QTableWidget { gridline-color: black; }"));
        grid->verticalHeader()->setDefaultSectionSize(18);
        grid->setSelectionMode(QAbstractItemView::SingleSelection);
        *grids[i] = grid;
    }
    pOrgEvnts->hide();

    // The editor floats over the page; where it opens is decided when it opens.
    pEvnt = MakePanel(this, QStringLiteral("pEvnt"), QRect(20, 300, 640, 452));
    pEvnt->setAutoFillBackground(true);
    lEvntDesc = MakeLabel(pEvnt, QStringLiteral("lEvntDesc"), QString(), QRect(10, 8, 620, 24));
    MakeCaption(pEvnt, QStringLiteral("Мероприятие"), 10, 40);
    chbEvMan = MakeCheckBox(pEvnt, QStringLiteral("chbEvMan"), QStringLiteral("Ввести вручную"),
                            QRect(300, 38, 220, 26));
    cbEvName = MakeDropDown(pEvnt, QStringLiteral("cbEvName"), QRect(10, 66, 580, 28));
    spbEvName = new QToolButton(pEvnt);
    spbEvName->setObjectName(QStringLiteral("spbEvName"));
    spbEvName->setText(QStringLiteral("+"));
    spbEvName->setToolTip(QStringLiteral("Добавить мероприятие в справочник"));
    spbEvName->setGeometry(596, 66, 28, 28);
    MakeCaption(pEvnt, QStringLiteral("Дата выполнения"), 10, 102);
    MakeCaption(pEvnt, QStringLiteral("Исполнитель мероприятия"), 10, 162);
    chbExMan = MakeCheckBox(pEvnt, QStringLiteral("chbExMan"), QStringLiteral("Ввести вручную"),
                            QRect(300, 160, 220, 26));
    cbEvExecut = MakeDropDown(pEvnt, QStringLiteral("cbEvExecut"), QRect(10, 188, 614, 28));
    MakeCaption(pEvnt, QStringLiteral("Результат"), 10, 224);
    chbResVar = MakeCheckBox(pEvnt, QStringLiteral("chbResVar"), QStringLiteral("Другой вариант"),
                             QRect(300, 222, 220, 26));
    cbEvRes = MakeDropDown(pEvnt, QStringLiteral("cbEvRes"), QRect(10, 250, 614, 28));
    mEvRes = MakeMemo(pEvnt, QStringLiteral("mEvRes"), QRect(10, 284, 614, 50), true);
    MakeCaption(pEvnt, QStringLiteral("Примечание"), 10, 340);
    mEvNote = MakeMemo(pEvnt, QStringLiteral("mEvNote"), QRect(10, 364, 614, 40));
    bEvCanc = MakeButton(pEvnt, QStringLiteral("bEvCanc"), QStringLiteral("Отменить"),
                         QRect(10, 410, 140, 34));
    bEvSave = MakeButton(pEvnt, QStringLiteral("bEvSave"), QStringLiteral("Сохранить"),
                         QRect(158, 410, 140, 34));
    bEvEnd = MakeButton(pEvnt, QStringLiteral("bEvEnd"), QStringLiteral("Закрыть/отправить"),
                        QRect(306, 410, 200, 34));
    bEvDel = MakeButton(pEvnt, QStringLiteral("bEvDel"), QStringLiteral("Удалить"),
                        QRect(514, 410, 110, 34));
    pEvnt->hide();

    connect(chbExMan, &QCheckBox::toggled, this, [this] { chbExManClick(); });
    connect(chbEvMan, &QCheckBox::toggled, this, [this] { chbEvManClick(); });
}

QTableWidget* TOrgIpraPage::eventGrid(int number) const
{
    return findChild<QTableWidget*>(QStringLiteral("sgEvents") + QString::number(number));
}

void TOrgIpraPage::attachDataSources()
{
    BindGrid(dbgOrgIpra, dm->dsOrgIpra);
}

void TOrgIpraPage::tsOrgIpraShow()
{
    // Filled in with the execution list.
}

void TOrgIpraPage::chbExManClick()
{
    if (chbExMan->isChecked()) {
        cbEvExecut->setEditable(true);
        LoadUsedExecutorNames();
        cbEvExecut->setCurrentIndex(-1);
        cbEvExecut->clearEditText();
    } else {
        cbEvExecut->setEditable(false);
        cbEvExecut->clear();
        cbEvExecut->addItems(ExecutorNames);
        cbEvExecut->setCurrentIndex(-1);
    }
}

void TOrgIpraPage::chbEvManClick()
{
    if (chbEvMan->isChecked()) {
        // Typed by hand. The suggestions (the names typed before for the open record's
        // type and subtype) come with the editor, which knows that record; until then the
        // box offers none.
        cbEvName->setEditable(true);
        cbEvName->clear();
        cbEvName->clearEditText();
    } else {
        cbEvName->setEditable(false);
        cbEvName->clear();
        cbEvName->addItems(EventDictNames);
        cbEvName->setCurrentIndex(-1);
    }
}

void TOrgIpraPage::LoadUsedExecutorNames()
{
    SqlQuery& query = *dm->adoqEvExec;
    QStringList names;
    try {
        query.close();
        query.open();
        for (query.first(); !query.eof(); query.next())
            names << query.asString(QStringLiteral("exname"));
    } catch (...) {
        query.close();
        throw;
    }
    query.close();
    cbEvExecut->clear();
    cbEvExecut->addItems(names);
}
