#pragma once

// The execution page inside the real main window, for the page and editor tests.

#include "guidbtest.h"
#include "../db/storedipra.h"

#include "data/alertperiod.h"
#include "data/currentorg.h"
#include "data/lookuplists.h"
#include "execution/core/currentprg.h"
#include "execution/dateedit.h"
#include "execution/eventtabs.h"
#include "execution/orgiprapage.h"
#include "platform/ui/messagebox.h"
#include "session/mainwindow.h"
#include "session/pagecontrol.h"

#include <QApplication>
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
#include <QTest>

#include <memory>
#include <ostream>

using namespace StoredIpra;

namespace {

inline QColor rgb(int r, int g, int b)
{
    return QColor(r, g, b);
}

const QColor Alert = rgb(255, 174, 201);

} // namespace

// The execution page inside the real main window, logged in at a role level, over the
// demo directories and IPRAs written for each test.
class OrgIpraPageTest : public GuiDbTest
{
protected:
    void SetUp() override
    {
        GuiDbTest::SetUp();
        loadDemoData();
    }
    void TearDown() override
    {
        window.reset();
        fMain = nullptr;
        CurrentPrg.reset();
        AlertPeriodMonths = 0;
        GuiDbTest::TearDown();
    }

    TOrgIpraPage& open(uint8_t lvl, int moId = 3)
    {
        window.reset();
        window = OpenMainWindow(lvl, moId);
        page().tsOrgIpraShow(); // the page as its tab shows it, at every level
        window->pcMain->setCurrentWidget(window->tsOrgIpra);
        return page();
    }

    TOrgIpraPage& page() const { return *window->tsOrgIpra; }
    QTableView* list() const { return page().dbgOrgIpra; }

    QStringList listed() const
    {
        QStringList numbers;
        SqlQuery& q = *dm->adoqOrgIpra;
        for (int row = 0; row < q.recordCount(); ++row)
            numbers << q.valueAt(row, q.columnIndex(QStringLiteral("prgnum"))).toString();
        return numbers;
    }

    void clickRow(int row)
    {
        const QModelIndex index = list()->model()->index(row, 0);
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          list()->visualRect(index).center());
    }

    // The background a cell of the list is painted with, inside its right edge. The
    // offscreen screen is small: the grid is made tall enough to paint every row.
    QColor listColour(int row)
    {
        list()->resize(list()->width(), 600);
        const QImage image = list()->viewport()->grab().toImage();
        // Column 1: the current cell of column 0 carries the focus frame as well. Above
        // the text, which a wide font carries to the cell's edge.
        const QRect cell = list()->visualRect(list()->model()->index(row, 1));
        return image.pixelColor(cell.right() - 8, cell.top() + 2);
    }

    QColor gridColour(QTableWidget* grid, int row, int column)
    {
        grid->resize(900, 400);
        const QImage image = grid->viewport()->grab().toImage();
        const QRect cell = grid->visualRect(grid->model()->index(row, column));
        return image.pixelColor(cell.right() - 8, cell.top() + 3);
    }

    static QString cell(QTableWidget* grid, int row, int column)
    {
        const QTableWidgetItem* item = grid->item(row, column);
        return item ? item->text() : QString();
    }

    static QList<QStringList> gridRows(QTableWidget* grid)
    {
        QList<QStringList> result;
        for (int row = 0; row < grid->rowCount(); ++row) {
            QStringList cells;
            for (int column = 0; column < 6; ++column)
                cells << cell(grid, row, column);
            result << cells;
        }
        return result;
    }

    QStringList visibleTabs() const
    {
        QStringList tabs;
        for (int i = 0; i < page().pcEvnts->count(); ++i)
            if (page().pcEvnts->isTabVisible(i))
                tabs << page().pcEvnts->widget(i)->objectName();
        return tabs;
    }

    // Clicks a cell of an event grid, as the user selects it.
    void select(QTableWidget* grid, int row, int column = 1)
    {
        page().pcEvnts->setCurrentWidget(grid->parentWidget());
        grid->scrollToItem(grid->item(row, column));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                          grid->visualRect(grid->model()->index(row, column)).center());
    }

    std::unique_ptr<TfMain> window;
};

