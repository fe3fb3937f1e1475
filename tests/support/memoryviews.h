#pragma once

#include "link/scantree.h"
#include "link/statuslabels.h"
#include "lists/transponderentry.h"
#include "lists/transponderlist.h"

#include <QHash>
#include <QList>
#include <QStringList>

// The scan window's status labels in memory, with every change and sweep cut in order.
struct MemoryLabels : StatusLabels
{
    QString texts[5];
    QStringList history; // "index:text" and "cut:" + polarisation + frequency
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override
    {
        texts[i] = t;
        history << QString::number(i) + ':' + t;
    }
    void sweepCut(const QString &pol, const QString &f) override { history << "cut:" + pol + f; }
};

// The transponder list in memory: rows as "position frequency polar rate", and the positions
// made current, in order.
struct MemoryList : TransponderList
{
    QStringList rows;
    QList<int> current;
    QString gFrq;
    QString currentFrequency() const override { return gFrq; }
    void insertTransponders(int position, const QList<TransponderEntry> &entries) override
    {
        for (const TransponderEntry &e : entries)
            rows.insert(position++ - 1, QStringList{e.position, e.frequency, e.polarisation,
                                                    e.symbolRate}.join(' '));
    }
    void makeCurrent(int position) override { current << position; }
};

// The scan tree in memory, for tests of the scan operations.
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
    QList<int> selections;

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
    void select(int n) override
    {
        selectedNode = n;
        selections << n;
    }
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
