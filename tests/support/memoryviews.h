#pragma once

#include "link/memoryscantree.h"
#include "link/statuslabels.h"
#include "lists/transponderentry.h"
#include "lists/transponderlist.h"

#include <QList>
#include <QStringList>

// The scan window's status labels in memory, with every change in order.
struct MemoryLabels : StatusLabels
{
    QString texts[5];
    QStringList history; // "index:text"
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override
    {
        texts[i] = t;
        history << QString::number(i) + ':' + t;
    }
};

// The transponder list in memory: rows as "position frequency polar rate".
struct MemoryList : TransponderList
{
    QStringList rows;
    void insertTransponders(int position, const QList<TransponderEntry> &entries) override
    {
        for (const TransponderEntry &e : entries)
            rows.insert(
                position++ - 1,
                QStringList{e.position, e.frequency, e.polarisation, e.symbolRate}.join(' '));
    }
};
