#pragma once

#include "link/scankey.h"

#include <QString>
#include <QStringList>

// The scan tree as the scan operations build it: nodes in the order they were added, each with
// a key (unique in the tree), a text, a parent (none for a transponder) and children. Nodes are
// named by their 1-based index in the order of addition; 0 names no node.
class ScanTree
{
public:
    virtual ~ScanTree() = default;

    virtual int count() const = 0;
    virtual QString key(int node) const = 0;
    virtual QString text(int node) const = 0;
    virtual int parent(int node) const = 0;
    virtual int childCount(int node) const = 0;
    // The child's node index; i counts from 0.
    virtual int child(int node, int i) const = 0;
    // Adds a node under the parent (0: a root); returns its index, or 0 when the key is taken:
    // a node is never replaced.
    virtual int add(int parent, const QString &key, const QString &text) = 0;
    // Gives the node a new key; false, and nothing changed, when another node has that key.
    virtual bool setKey(int node, const QString &key) = 0;
    virtual void setText(int node, const QString &text) = 0;
    virtual void setBold(int node, bool bold) = 0;
    virtual void select(int node) = 0;
    virtual int selected() const = 0;

    // The keys of the transponders not identified yet ("F|P"), in the tree's order.
    QStringList unidentified() const
    {
        QStringList keys;
        for (int n = 1; n <= count(); ++n) {
            if (!parent(n) && ScanKey::ofTransponder(key(n)).kind == ScanKey::Found)
                keys << key(n);
        }
        return keys;
    }
};
