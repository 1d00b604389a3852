#include "platform/ui/controls.h"

#include "platform/handlers.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace {

class RowOverGrid : public QObject
{
public:
    RowOverGrid(QWidget* grid, QWidget* stretch, const QList<QWidget*>& right)
        : QObject(grid), m_grid(grid), m_stretch(stretch), m_right(right)
    {
        InstallEventHook(
            grid,
            [this](QObject*, QEvent* event) {
                if (event->type() == QEvent::Resize || event->type() == QEvent::Move)
                    place();
                return false;
            },
            this);
        place();
    }

private:
    void place()
    {
        constexpr int gap = 6;
        int x = m_grid->x() + m_grid->width();
        for (auto it = m_right.crbegin(); it != m_right.crend(); ++it) {
            x -= (*it)->width();
            (*it)->move(x, (*it)->y());
            x -= gap;
        }
        if (m_stretch)
            m_stretch->setGeometry(m_grid->x(), m_stretch->y(), qMax(x - m_grid->x(), 80),
                                   m_stretch->height());
    }

    QWidget* m_grid;
    QWidget* m_stretch;
    QList<QWidget*> m_right;
};

// A caption that keeps itself as large as its text, also when the font it inherits
// changes after it was built (pages are built before they join the window).
class CaptionLabel : public QLabel
{
public:
    CaptionLabel(const QString& text, QWidget* parent) : QLabel(text, parent) { adjustSize(); }

protected:
    void changeEvent(QEvent* event) override
    {
        QLabel::changeEvent(event);
        if (event->type() == QEvent::FontChange)
            adjustSize();
    }
};

template <class T> T* placed(T* control, const QString& name, const QRect& geometry)
{
    if (!name.isEmpty())
        control->setObjectName(name);
    control->setGeometry(geometry);
    return control;
}

} // namespace

QLabel* MakeLabel(QWidget* parent, const QString& name, const QString& text, const QRect& geometry)
{
    return placed(new QLabel(text, parent), name, geometry);
}

QLabel* MakeCaption(QWidget* parent, const QString& text, int left, int top)
{
    auto* label = new CaptionLabel(text, parent);
    label->move(left, top);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& geometry)
{
    return placed(new QPushButton(caption, parent), name, geometry);
}

QCheckBox* MakeCheckBox(QWidget* parent, const QString& name, const QString& caption,
                        const QRect& geometry)
{
    return placed(new QCheckBox(caption, parent), name, geometry);
}

QComboBox* MakeDropDown(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* box = placed(new QComboBox(parent), name, geometry);
    box->setEditable(false);
    box->setInsertPolicy(QComboBox::NoInsert);
    return box;
}

QLineEdit* MakeEdit(QWidget* parent, const QString& name, const QRect& geometry)
{
    return placed(new QLineEdit(parent), name, geometry);
}

QPlainTextEdit* MakeMemo(QWidget* parent, const QString& name, const QRect& geometry,
                         bool readOnly, bool infoTipBackground)
{
    auto* memo = placed(new QPlainTextEdit(parent), name, geometry);
    memo->setReadOnly(readOnly);
    if (infoTipBackground) {
        QPalette palette = memo->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
        palette.setColor(QPalette::Text, palette.color(QPalette::ToolTipText));
        memo->setPalette(palette);
    }
    return memo;
}

QFrame* MakePanel(QWidget* parent, const QString& name, const QRect& geometry)
{
    auto* panel = placed(new QFrame(parent), name, geometry);
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    return panel;
}

QTableWidget* MakeStringGrid(QWidget* parent, const QString& name, const QStringList& titles,
                             const QRect& geometry)
{
    auto* grid = placed(new QTableWidget(0, int(titles.size()), parent), name, geometry);
    grid->setHorizontalHeaderLabels(titles);
    grid->verticalHeader()->hide(); // no fixed column
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(true);
    return grid;
}

void SetYellowBackground(QLabel* label)
{
    label->setAutoFillBackground(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::Window, Qt::yellow);
    palette.setColor(QPalette::WindowText, Qt::black);
    label->setPalette(palette);
}

void KeepRowOverGrid(QWidget* grid, QWidget* stretch, const QList<QWidget*>& right)
{
    new RowOverGrid(grid, stretch, right);
}
