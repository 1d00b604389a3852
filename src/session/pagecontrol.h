#pragma once

#include <QTabBar>
#include <QTabWidget>
#include <QVector>

// A tab bar whose tabs wrap onto further rows when they do not fit its width, as a
// multi-line page control does. QTabBar itself only scrolls or squeezes a single row, and
// a scrolled row would leave pages out of sight; so this bar lays out, paints and
// hit-tests its tabs itself, row by row, and reports the height of all its rows, which
// the tab widget then keeps free above the pages. Tabs keep their natural widths; rows
// that wrap are stretched to the full width. Hidden tabs take no place.
class WrappingTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget* parent = nullptr);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    int rowCount() const;
    // Where tab index is drawn in this bar; empty for a hidden tab.
    QRect wrappedTabRect(int index) const;
    int wrappedTabAt(const QPoint& pos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void tabLayoutChange() override;
    void tabInserted(int index) override;
    void tabRemoved(int index) override;

private:
    struct Layout
    {
        QVector<QRect> rects; // per tab, empty for a hidden tab
        QVector<int> rows;    // per tab, -1 for a hidden tab
        int rowCount = 0;
        int rowHeight = 0;
        int naturalWidth = 0; // all visible tabs in one row
    };
    Layout computeLayout(int width) const;
    int availableWidth() const;
    void relayout();

    Layout m_layout;
    int m_hover = -1;
};

// The main window's page control: a tab widget with the wrapping tab bar.
class TPageControl : public QTabWidget
{
    Q_OBJECT
public:
    explicit TPageControl(QWidget* parent = nullptr);
    WrappingTabBar* wrappingTabBar() const { return m_bar; }

    // Places the tab bar and the page area for the current size and tab set at once,
    // instead of at the next turn of the event loop.
    void updatePageArea();

private:
    WrappingTabBar* m_bar;
};
