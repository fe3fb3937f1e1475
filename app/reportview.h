#pragma once

#include "ui/markstyle.h"
#include "link/servicelist.h"

#include <QColor>
#include <QStringList>

class QTreeWidget;
class QTreeWidgetItem;
class QWidget;

// A report-style list view: a flat list of rows with column headers.
QTreeWidget *makeReportView(const QStringList &columns, QWidget *parent);

// The colour of a colour value as the system counts them: red in the low byte, then green,
// then blue (255 is pure red).
QColor colourOf(int value);

// Gives the cell (column 0 is the row's own text) the style, unless it has it already.
void setCellStyle(QTreeWidgetItem *row, int column, MarkStyle style);
// Gives the row and each of its cells the style.
void setRowStyle(QTreeWidgetItem *row, MarkStyle style);
bool hasRowStyle(const QTreeWidgetItem *row, MarkStyle style);

// The service list of a report view with the columns "Num" and "Name".
class ServiceListView : public ServiceList
{
public:
    explicit ServiceListView(QTreeWidget *view) : m_view(view) {}
    void insertService(int position, const QString &number, const QString &name) override;

private:
    QTreeWidget *m_view;
};
