#include "distribution/distributepage.h"

#include "data/tdm.h"
#include "platform/ui/controls.h"
#include "platform/ui/gridbinding.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

TDistributePage::TDistributePage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsDistribute"));

    rgrpDistIpra = new QGroupBox(this);
    rgrpDistIpra->setObjectName(QStringLiteral("rgrpDistIpra"));
    rgrpDistIpra->setGeometry(8, 4, 600, 46);
    rgrpDistIpraItems = new QButtonGroup(rgrpDistIpra);
    auto* items = new QHBoxLayout(rgrpDistIpra);
    items->setContentsMargins(8, 2, 8, 2);
    const QStringList captions = {QStringLiteral("Показать все "),
                                  QStringLiteral("Показать только нераспределенные"),
                                  QStringLiteral("Показать только распределенные")};
    for (int i = 0; i < captions.size(); ++i) {
        auto* item = new QRadioButton(captions.at(i), rgrpDistIpra);
        rgrpDistIpraItems->addButton(item, i);
        items->addWidget(item);
    }
    rgrpDistIpraItems->button(1)->setChecked(true); // the list starts with the undistributed IPRAs

    // Widths, the right-hand column and the panels' heights follow the window's size
    // rules when it is shown.
    dbgDistrIpra = CreateDataGrid(this, QStringLiteral("dbgDistrIpra"));
    dbgDistrIpra->setGeometry(8, 56, 600, 300);

    pDistrIpraInfo = MakePanel(this, QStringLiteral("pDistrIpraInfo"), QRect(613, 4, 400, 46));
    MakeCaption(pDistrIpraInfo, QStringLiteral("№ ИПРА"), 8, 12);
    lDistrIpraNum = MakeLabel(pDistrIpraInfo, QStringLiteral("lDistrIpraNum"), QString(),
                              QRect(90, 12, 110, 22));
    MakeCaption(pDistrIpraInfo, QStringLiteral("Срок до"), 210, 12);
    lDistrIpraEndDt = MakeLabel(pDistrIpraInfo, QStringLiteral("lDistrIpraEndDt"), QString(),
                                QRect(290, 12, 110, 22));

    pDistrIpra = MakePanel(this, QStringLiteral("pDistrIpra"), QRect(613, 56, 400, 440));
    MakeCaption(pDistrIpra, QStringLiteral("ФИО владельца ИПРА"), 10, 6);
    lPersFio = MakeLabel(pDistrIpra, QStringLiteral("lPersFio"), QString(), QRect(10, 28, 380, 48));
    lPersFio->setWordWrap(true);
    SetYellowBackground(lPersFio);
    MakeCaption(pDistrIpra, QStringLiteral("Дата рождения"), 10, 82);
    lPersBDate = MakeLabel(pDistrIpra, QStringLiteral("lPersBDate"), QString(), QRect(170, 82, 220, 22));
    MakeCaption(pDistrIpra, QStringLiteral("СНИЛС"), 10, 108);
    lPersSnils = MakeLabel(pDistrIpra, QStringLiteral("lPersSnils"), QString(), QRect(170, 108, 220, 22));
    MakeCaption(pDistrIpra, QStringLiteral("Документ"), 10, 134);
    mPersDoc = MakeMemo(pDistrIpra, QStringLiteral("mPersDoc"), QRect(10, 156, 380, 100), true, true);
    MakeCaption(pDistrIpra, QStringLiteral("Контактные данные"), 10, 262);
    mPersAddr = MakeMemo(pDistrIpra, QStringLiteral("mPersAddr"), QRect(10, 284, 380, 146), true, true);
    mPersAddr->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    pDistRepr = MakePanel(this, QStringLiteral("pDistRepr"), QRect(613, 501, 400, 200));
    MakeCaption(pDistRepr, QStringLiteral("Представитель"), 10, 6);
    lReprFio = MakeLabel(pDistRepr, QStringLiteral("lReprFio"), QString(), QRect(10, 28, 380, 48));
    lReprFio->setWordWrap(true);
    SetYellowBackground(lReprFio);
    MakeCaption(pDistRepr, QStringLiteral("Документ"), 10, 82);
    mReprDoc = MakeMemo(pDistRepr, QStringLiteral("mReprDoc"), QRect(10, 104, 380, 88), true, true);
    pDistRepr->hide(); // shown for an IPRA that has a representative

    pRespMO = MakePanel(this, QStringLiteral("pRespMO"), QRect(8, 361, 600, 200));
    MakeCaption(pRespMO, QStringLiteral("Направившая  медицинская организация"), 5, 6);
    lSendMo = MakeLabel(pRespMO, QStringLiteral("lSendMo"), QString(), QRect(5, 30, 590, 24));
    SetYellowBackground(lSendMo);
    MakeCaption(pRespMO, QStringLiteral("Выбрать ответственную медицинскую организацию"), 5, 62);
    cbRespMOlist = MakeDropDown(pRespMO, QStringLiteral("cbRespMOlist"), QRect(5, 86, 590, 30));
    bSetRespMo = MakeButton(pRespMO, QStringLiteral("bSetRespMo"), QStringLiteral("Назначить"),
                            QRect(5, 124, 200, 34));
    bSetRespMo->setEnabled(false);
}

void TDistributePage::attachDataSources()
{
    BindGrid(dbgDistrIpra, dm->dsDistrIpra);
}

void TDistributePage::tsDistributeShow()
{
    // Filled in with the distribution page.
}
