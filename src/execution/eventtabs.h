#pragma once

#include <QColor>
#include <QTabBar>
#include <QTabWidget>
#include <QVector>

// A tab bar whose tabs can each be painted in a colour of their own (the event types
// whose period end is near are flagged on their tab).
class TColourTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit TColourTabBar(QWidget* parent = nullptr);

    // An invalid colour paints the tab as the style does.
    void setTabColour(int index, const QColor& colour);
    QColor tabColour(int index) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<QColor> m_colours;
};

// The page control of the event types, with a colour per tab.
class TEventTabs : public QTabWidget
{
    Q_OBJECT
public:
    explicit TEventTabs(QWidget* parent = nullptr);
    TColourTabBar* colourTabBar() const { return m_bar; }

private:
    TColourTabBar* m_bar;
};
