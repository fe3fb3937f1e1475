#pragma once

#include <QTest>
#include <QTreeWidget>

// A left click on a row of a list or a tree, as the operator makes it.
inline void clickItem(QTreeWidget *view, QTreeWidgetItem *item)
{
    view->scrollToItem(item);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualItemRect(item).center());
}
