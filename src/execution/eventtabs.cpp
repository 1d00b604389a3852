#include "execution/eventtabs.h"

#include <QStyleOptionTab>
#include <QStylePainter>

TColourTabBar::TColourTabBar(QWidget* parent) : QTabBar(parent) {}

void TColourTabBar::setTabColour(int index, const QColor& colour)
{
    if (index < 0)
        return;
    if (m_colours.size() <= index)
        m_colours.resize(index + 1);
    m_colours[index] = colour;
    update();
}

QColor TColourTabBar::tabColour(int index) const
{
    return index >= 0 && index < m_colours.size() ? m_colours.at(index) : QColor();
}

void TColourTabBar::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    // The current tab last, so that it lies over its neighbours as the style expects.
    QList<int> order;
    for (int i = 0; i < count(); ++i)
        if (isTabVisible(i) && i != currentIndex())
            order << i;
    if (currentIndex() >= 0 && isTabVisible(currentIndex()))
        order << currentIndex();
    for (int i : order) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        const QColor colour = tabColour(i);
        if (colour.isValid())
            painter.fillRect(option.rect.adjusted(2, 2, -2, 0), colour);
        painter.drawControl(QStyle::CE_TabBarTabLabel, option);
    }
}

TEventTabs::TEventTabs(QWidget* parent) : QTabWidget(parent), m_bar(new TColourTabBar(this))
{
    setTabBar(m_bar);
}
