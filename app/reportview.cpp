#include "app/reportview.h"

#include <QHeaderView>
#include <QStyledItemDelegate>
#include <QTreeWidget>

namespace {

// Keeps a cell's own colour on a selected row, so the current transponder, which is also the
// selected row, still shows red; the selection is a light background for that reason.
class KeepColourDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QVariant fg = index.data(Qt::ForegroundRole);
        if (fg.isValid())
            option->palette.setBrush(QPalette::HighlightedText, fg.value<QBrush>());
    }
};

} // namespace

QTreeWidget *makeReportView(const QStringList &columns, QWidget *parent)
{
    auto *view = new QTreeWidget(parent);
    view->setColumnCount(int(columns.size()));
    view->setHeaderLabels(columns);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->header()->setSectionsMovable(false);
    QPalette palette = view->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(204, 228, 247));
        palette.setColor(group, QPalette::HighlightedText, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::black); // colour 0 of unmarked rows
    }
    view->setPalette(palette);
    view->setItemDelegate(new KeepColourDelegate(view));
    return view;
}

QColor colourOf(int value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

namespace {

// A cell without a colour or font of its own shows the view's: black text, not bold. That is
// the unmarked style, so unmarked rows carry no data of their own and a long list loads and
// clears without touching them.
bool cellHasStyle(const QTreeWidgetItem *row, int column, const QColor &colour, bool bold)
{
    const QVariant fg = row->data(column, Qt::ForegroundRole);
    const QVariant font = row->data(column, Qt::FontRole);
    const QColor shown = fg.isValid() ? fg.value<QBrush>().color() : QColor(Qt::black);
    const bool shownBold = font.isValid() && font.value<QFont>().bold();
    return shown == colour && shownBold == bold;
}

} // namespace

void setCellStyle(QTreeWidgetItem *row, int column, MarkStyle style)
{
    const QColor colour = colourOf(style.colour);
    if (cellHasStyle(row, column, colour, style.bold))
        return;
    if (style.colour == kUnmarked.colour && style.bold == kUnmarked.bold) {
        row->setData(column, Qt::ForegroundRole, QVariant());
        row->setData(column, Qt::FontRole, QVariant());
        return;
    }
    QFont font = row->font(column);
    font.setBold(style.bold);
    row->setFont(column, font);
    row->setForeground(column, colour);
}

void setRowStyle(QTreeWidgetItem *row, MarkStyle style)
{
    for (int c = 0; c < row->columnCount(); ++c)
        setCellStyle(row, c, style);
}

bool hasRowStyle(const QTreeWidgetItem *row, MarkStyle style)
{
    const QColor colour = colourOf(style.colour);
    for (int c = 0; c < row->columnCount(); ++c) {
        if (!cellHasStyle(row, c, colour, style.bold))
            return false;
    }
    return true;
}

void ServiceListView::insertService(int position, const QString &number, const QString &name)
{
    auto *row = new QTreeWidgetItem(QStringList{number, name});
    m_view->insertTopLevelItem(qBound(0, position - 1, m_view->topLevelItemCount()), row);
}
