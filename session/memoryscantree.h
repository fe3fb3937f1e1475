#pragma once

#include "link/scantree.h"

#include <QHash>
#include <QList>
#include <QStringList>

// The scan tree in memory: the command-line tool scans into it, and tests of the scan
// operations read it back.
struct MemoryScanTree : ScanTree
{
    struct Node
    {
        QString key, text;
        int parent = 0;
        QList<int> children;
        bool bold = false;
    };
    QList<Node> nodes; // node i is nodes[i - 1]
    QHash<QString, int> byKey;
    int selectedNode = 0;

    int count() const override { return int(nodes.size()); }
    QString key(int n) const override { return nodes[n - 1].key; }
    QString text(int n) const override { return nodes[n - 1].text; }
    int parent(int n) const override { return nodes[n - 1].parent; }
    int childCount(int n) const override { return int(nodes[n - 1].children.size()); }
    int child(int n, int i) const override { return nodes[n - 1].children[i]; }
    int add(int parent, const QString &key, const QString &text) override
    {
        if (byKey.contains(key))
            return 0;
        nodes.append({key, text, parent, {}, false});
        const int n = int(nodes.size());
        byKey.insert(key, n);
        if (parent)
            nodes[parent - 1].children.append(n);
        return n;
    }
    bool setKey(int n, const QString &key) override
    {
        if (byKey.value(key, n) != n)
            return false;
        byKey.remove(nodes[n - 1].key);
        byKey.insert(key, n);
        nodes[n - 1].key = key;
        return true;
    }
    void setText(int n, const QString &text) override { nodes[n - 1].text = text; }
    void setBold(int n, bool bold) override { nodes[n - 1].bold = bold; }
    void select(int n) override { selectedNode = n; }
    int selected() const override { return selectedNode; }

    // "text [key]" of every node, children indented, in tree order.
    QStringList dump() const
    {
        QStringList out;
        for (int n = 1; n <= count(); ++n) {
            if (parent(n))
                continue;
            out << text(n) + " [" + key(n) + "]" + (nodes[n - 1].bold ? " bold" : "");
            for (int c : nodes[n - 1].children)
                out << "  " + text(c) + " [" + key(c) + "]";
        }
        return out;
    }
};
