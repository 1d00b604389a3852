#include "import/ui/toolspage.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

TToolsPage::TToolsPage(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("tsTools"));

    // No size rules of the window reach this page, so it lays itself out: the buttons on
    // the left, the log filling the rest, the status bar along the bottom edge.
    bLoadRealNames = new QPushButton(QStringLiteral("Обновить список организаций из ИПРА"), this);
    bLoadRealNames->setObjectName(QStringLiteral("bLoadRealNames"));
    bLoadXML = new QPushButton(QStringLiteral("Загрузить ИПРА в базу данных"), this);
    bLoadXML->setObjectName(QStringLiteral("bLoadXML"));
    for (QPushButton* button : {bLoadRealNames, bLoadXML})
        button->setMinimumHeight(40);

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));

    stbrTools = new QStatusBar(this);
    stbrTools->setObjectName(QStringLiteral("stbrTools"));
    stbrTools->setSizeGripEnabled(false);
    stpnLoadCount = new QLabel(stbrTools);
    stpnLoadCount->setObjectName(QStringLiteral("stpnLoadCount"));
    stpnLoadCount->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    stbrTools->addWidget(stpnLoadCount, 1);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(bLoadRealNames);
    buttons->addWidget(bLoadXML);
    buttons->addStretch(1);
    auto* body = new QHBoxLayout;
    body->addLayout(buttons);
    body->addWidget(Memo, 1);
    auto* page = new QVBoxLayout(this);
    page->setContentsMargins(8, 8, 8, 0);
    page->addLayout(body, 1);
    page->addWidget(stbrTools);
}
