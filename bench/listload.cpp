// Loading list files of 32,000 rows in all into the main window's transponder list, marking one
// row and clearing all marks, each as a ratio to filling a bare Qt item view with the same rows
// in the same run. --quick: a few hundred rows in one round, as the test command runs it.

#include "app/main.h"
#include "lists/catalogue.h"
#include "lists/transponderentry.h"
#include "platform/qthost.h"
#include "platform/systemserialport.h"
#include "session/settingsstore.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int g_files = 8;
int g_rowsPerFile = 4000;

QList<QStringList> writeLists(const QString &data)
{
    QList<QStringList> rows;
    QDir().mkpath(data);
    for (int f = 0; f < g_files; ++f) {
        const QString position = QStringLiteral("%1.00E").arg(f + 1);
        QFile file(data + '/' + position + ".csv");
        file.open(QIODevice::WriteOnly);
        for (int i = 0; i < g_rowsPerFile; ++i) {
            const QString frequency = QString::number(10700000 + i * 500 + f);
            const QString polar = i % 2 ? "H" : "V";
            const QString rate = QString::number(22000 + (i % 7) * 1000);
            file.write((frequency + ';' + polar + ';' + rate + ";\r\n").toLatin1());
            rows << QStringList{position, frequency, polar, rate};
        }
    }
    return rows;
}

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}

} // namespace

int main(int argc, char **argv)
{
    const bool quick = argc > 1 && std::strcmp(argv[1], "--quick") == 0;
    if (quick) {
        g_files = 2;
        g_rowsPerFile = 300;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir program;
    const QList<QStringList> rows = writeLists(DataFolder(program.path()));

    QtHost host;
    SettingsStore store;
    // Each figure is the median of five rounds, each round timing the bare fill and the tool
    // one after the other.
    const int rounds = quick ? 1 : 5;
    QList<double> fills, loads, reads, marks, clears;
    for (int round = 0; round < rounds; ++round) {
        // The bare fill: the same rows into a plain item view, in one call.
        QTreeWidget bare;
        bare.setColumnCount(4);
        QElapsedTimer t;
        t.start();
        QList<QTreeWidgetItem *> items;
        items.reserve(rows.size());
        for (const QStringList &r : rows)
            items << new QTreeWidgetItem(r);
        bare.addTopLevelItems(items);
        fills << seconds(t);

        // The reading alone: what the files cost before any view.
        t.restart();
        LoadTransponderLists(program.path());
        reads << seconds(t);

        Main w(host, MakeSystemSerialPort(), store, program.path());
        t.restart();
        w.LoadTransponderLists();
        loads << seconds(t);
        if (w.ListView->topLevelItemCount() != g_files * g_rowsPerFile) {
            std::fprintf(stderr, "bench_listload: %d rows loaded\n",
                         w.ListView->topLevelItemCount());
            return 1;
        }
        w.show();
        t.restart();
        w.MarkTransponder(w.ListView->topLevelItem(int(rows.size()) * 3 / 8));
        marks << seconds(t);
        t.restart();
        w.ClearTransponderMarks();
        clears << seconds(t);
    }
    auto median = [](QList<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    const double fill = median(fills), load = median(loads), read = median(reads);
    const double mark = median(marks), clear = median(clears);
    std::fprintf(stderr,
                 "bench_listload: %d rows, medians of %d rounds: bare fill %.3f s, load %.3f s "
                 "(reading the files alone %.3f s), mark %.4f s, clear marks %.3f s (goal under "
                 "0.5 s)\n",
                 int(rows.size()), rounds, fill, load, read, mark, clear);
    std::printf("list_load_vs_bare_fill %.3f\n", load / fill);
    std::printf("mark_one_row_vs_bare_fill %.4f\n", mark / fill);
    std::printf("clear_marks_vs_bare_fill %.3f\n", clear / fill);
    return 0;
}
