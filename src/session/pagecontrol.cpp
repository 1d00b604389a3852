#include "session/pagecontrol.h"

#include "platform/handlers.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QStyleOptionTab>
#include <QStylePainter>

WrappingTabBar::WrappingTabBar(QWidget* parent) : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setExpanding(false);
    setElideMode(Qt::ElideNone);
    setDrawBase(false);
    setMouseTracking(true);
    // The current tab's row moves next to the pages.
    ConnectHandler(this, &QTabBar::currentChanged, this, &WrappingTabBar::relayout);
}

int WrappingTabBar::availableWidth() const
{
    // The width the tab widget has for the bar: a bar's hint is asked before it is placed,
    // so it answers for its parent's width.
    const QWidget* owner = parentWidget();
    return owner ? owner->width() : width();
}

WrappingTabBar::Layout WrappingTabBar::computeLayout(int width) const
{
    Layout layout;
    const int n = count();
    layout.rects.resize(n);
    layout.rows.fill(-1, n);
    QVector<QVector<int>> rows;
    int x = 0;
    for (int i = 0; i < n; ++i) {
        if (!isTabVisible(i))
            continue;
        const QSize hint = tabSizeHint(i);
        layout.rowHeight = qMax(layout.rowHeight, hint.height());
        layout.naturalWidth += hint.width();
        if (rows.isEmpty() || (x > 0 && x + hint.width() > width)) {
            rows.append(QVector<int>());
            x = 0;
        }
        rows.last().append(i);
        layout.rects[i] = QRect(x, 0, hint.width(), hint.height());
        x += hint.width();
    }
    layout.rowCount = int(rows.size());
    // As on a multi-line page control, the row with the current tab lies next to the pages,
    // so the current tab always touches the page it stands for.
    const int current = currentIndex();
    for (int r = 0; r < rows.size(); ++r)
        if (rows.at(r).contains(current) && r != rows.size() - 1) {
            rows.move(r, rows.size() - 1);
            break;
        }
    for (int r = 0; r < rows.size(); ++r) {
        const QVector<int>& row = rows.at(r);
        // Wrapped rows share out the spare width, so the rows line up on both sides.
        int natural = 0;
        for (int i : row)
            natural += layout.rects[i].width();
        const int spare = rows.size() > 1 ? qMax(width - natural, 0) : 0;
        int left = 0;
        for (int k = 0; k < row.size(); ++k) {
            const int i = row.at(k);
            const int extra = spare / int(row.size()) + (k < spare % int(row.size()) ? 1 : 0);
            const int w = layout.rects[i].width() + extra;
            layout.rects[i] = QRect(left, r * layout.rowHeight, w, layout.rowHeight);
            layout.rows[i] = r;
            left += w;
        }
    }
    return layout;
}

void WrappingTabBar::relayout()
{
    m_layout = computeLayout(width());
    update();
}

QSize WrappingTabBar::sizeHint() const
{
    const int width = availableWidth();
    const Layout layout = computeLayout(width);
    return QSize(qMin(layout.naturalWidth, qMax(width, 1)), layout.rowCount * layout.rowHeight);
}

QSize WrappingTabBar::minimumSizeHint() const
{
    const Layout layout = computeLayout(availableWidth());
    return QSize(0, layout.rowCount * layout.rowHeight);
}

int WrappingTabBar::rowCount() const
{
    return m_layout.rowCount;
}

QRect WrappingTabBar::wrappedTabRect(int index) const
{
    return index >= 0 && index < m_layout.rects.size() ? m_layout.rects.at(index) : QRect();
}

int WrappingTabBar::wrappedTabAt(const QPoint& pos) const
{
    for (int i = 0; i < m_layout.rects.size(); ++i)
        if (m_layout.rows.at(i) >= 0 && m_layout.rects.at(i).contains(pos))
            return i;
    return -1;
}

void WrappingTabBar::paintEvent(QPaintEvent*)
{
    if (m_layout.rects.size() != count())
        m_layout = computeLayout(width());
    QStylePainter painter(this);
    const int current = currentIndex();
    auto paintTab = [&](int i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        option.rect = m_layout.rects.at(i);
        const int row = m_layout.rows.at(i);
        // Position within its own row, so the style rounds the right corners.
        int first = -1, last = -1;
        for (int k = 0; k < count(); ++k)
            if (m_layout.rows.at(k) == row) {
                if (first < 0)
                    first = k;
                last = k;
            }
        option.position = first == last       ? QStyleOptionTab::OnlyOneTab
                          : i == first        ? QStyleOptionTab::Beginning
                          : i == last         ? QStyleOptionTab::End
                                              : QStyleOptionTab::Middle;
        option.selectedPosition = QStyleOptionTab::NotAdjacent;
        option.state.setFlag(QStyle::State_Selected, i == current);
        option.state.setFlag(QStyle::State_MouseOver, i == m_hover && isTabEnabled(i));
        // Each tab is kept to its own place: the style paints a selected tab a little
        // beyond its rectangle, which would reach into the row below.
        painter.save();
        painter.setClipRect(option.rect);
        painter.drawControl(QStyle::CE_TabBarTab, option);
        painter.restore();
    };
    for (int i = 0; i < count(); ++i)
        if (m_layout.rows.at(i) >= 0 && i != current)
            paintTab(i);
    // The current tab last, so it lies over its neighbours as a selected tab does.
    if (current >= 0 && current < count() && m_layout.rows.at(current) >= 0)
        paintTab(current);
}

void WrappingTabBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    const int index = wrappedTabAt(event->position().toPoint());
    if (index >= 0 && isTabEnabled(index))
        setCurrentIndex(index);
    event->accept();
}

void WrappingTabBar::mouseMoveEvent(QMouseEvent* event)
{
    const int hover = wrappedTabAt(event->position().toPoint());
    if (hover != m_hover) {
        m_hover = hover;
        update();
    }
    event->accept();
}

void WrappingTabBar::mouseReleaseEvent(QMouseEvent* event)
{
    event->accept(); // tabs are neither moved nor closed here
}

void WrappingTabBar::leaveEvent(QEvent* event)
{
    m_hover = -1;
    update();
    QTabBar::leaveEvent(event);
}

void WrappingTabBar::resizeEvent(QResizeEvent* event)
{
    QTabBar::resizeEvent(event);
    relayout();
}

void WrappingTabBar::tabLayoutChange()
{
    QTabBar::tabLayoutChange();
    relayout();
    updateGeometry(); // the number of rows, and with it the height, may have changed
}

void WrappingTabBar::tabInserted(int index)
{
    QTabBar::tabInserted(index);
    relayout();
    updateGeometry();
}

void WrappingTabBar::tabRemoved(int index)
{
    QTabBar::tabRemoved(index);
    relayout();
    updateGeometry();
}

TPageControl::TPageControl(QWidget* parent) : QTabWidget(parent), m_bar(new WrappingTabBar(this))
{
    setTabBar(m_bar);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
}

void TPageControl::updatePageArea()
{
    // QTabWidget lays itself out on a resize and on a posted layout request; asking now
    // makes the page sizes follow the current size and tab set straight away.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(this, &request);
}
