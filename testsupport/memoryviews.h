#pragma once

#include "link/statuslabels.h"
#include "lists/transponderentry.h"
#include "session/memoryscantree.h"

#include <QList>
#include <QStringList>

// The scan window's status labels in memory, with every change in order, written from the run's
// events as the window's are.
struct MemoryLabels : ScanEventsFanOut, StatusLabels
{
    MemoryLabels() { listen(&status); }
    ScanStatus status{*this};
    QString texts[5];
    QStringList history; // "index:text"
    QString text(int i) const override { return texts[i]; }
    void setText(int i, const QString &t) override
    {
        texts[i] = t;
        history << QString::number(i) + ':' + t;
    }
};

// Rows of a transponder list as "position frequency polar rate".
inline QStringList RowTexts(const QList<TransponderEntry> &entries)
{
    QStringList rows;
    for (const TransponderEntry &e : entries)
        rows << QStringList{e.position, e.frequency, e.polarisation, e.symbolRate}.join(' ');
    return rows;
}
