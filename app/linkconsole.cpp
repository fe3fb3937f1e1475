#include "app/linkconsole.h"

#include "link/linkstate.h"
#include "platform/host.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QTableView>
#include <QVBoxLayout>

LinkConsole::LinkConsole(LinkState &link, QWidget *parent) : QDialog(parent), m_link(link)
{
    setWindowTitle(QStringLiteral("Link console"));
    setModal(false);
    View = new QTableView(this);
    View->setModel(&m_log);
    View->setSelectionBehavior(QAbstractItemView::SelectRows);
    View->setEditTriggers(QAbstractItemView::NoEditTriggers);
    View->verticalHeader()->hide();
    View->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    View->horizontalHeader()->setStretchLastSection(false);
    View->horizontalHeader()->setSectionResizeMode(ExchangeLog::Reply, QHeaderView::Stretch);
    View->setColumnWidth(ExchangeLog::Time, 80);
    View->setColumnWidth(ExchangeLog::Operation, 130);
    View->setColumnWidth(ExchangeLog::Sent, 170);
    View->setColumnWidth(ExchangeLog::Latency, 70);
    // The view's own copy takes one cell; the console copies whole rows.
    View->installEventFilter(this);

    Pause = new QPushButton(QStringLiteral("&Pause"), this);
    Pause->setCheckable(true);
    Clear = new QPushButton(QStringLiteral("C&lear"), this);
    Save = new QPushButton(QStringLiteral("&Save as text..."), this);
    m_count = new QLabel(this);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(Pause);
    buttons->addWidget(Clear);
    buttons->addWidget(Save);
    buttons->addStretch(1);
    buttons->addWidget(m_count);
    auto *all = new QVBoxLayout(this);
    all->addWidget(View, 1);
    all->addLayout(buttons);
    resize(720, 420);

    connect(Pause, &QPushButton::toggled, this, [this](bool on) {
        m_log.setPaused(on);
        showCounts();
    });
    connect(Clear, &QPushButton::clicked, this, [this] {
        m_log.clear();
        showCounts();
    });
    connect(Save, &QPushButton::clicked, this, &LinkConsole::saveClicked);
    // New rows (they come in batches) keep the view at its end unless the operator has
    // scrolled up to read; then the rows read stay in place while the oldest ones go.
    View->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    connect(&m_log, &QAbstractItemModel::rowsAboutToBeInserted, this, [this] {
        QScrollBar *bar = View->verticalScrollBar();
        m_atEnd = m_atEnd || bar->value() >= bar->maximum() - 1;
    });
    connect(&m_log, &QAbstractItemModel::rowsInserted, this, [this] {
        showCounts();
        if (m_atEnd && !View->verticalScrollBar()->isSliderDown())
            View->scrollToBottom();
    });
    connect(&m_log, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                QScrollBar *bar = View->verticalScrollBar();
                if (m_atEnd || bar->isSliderDown())
                    return;
                const int rows = last - first + 1;
                bar->setValue(bar->value() -
                              (View->verticalScrollMode() == QAbstractItemView::ScrollPerItem
                                   ? rows
                                   : rows * View->verticalHeader()->defaultSectionSize()));
            });
    // Scrolled by the mouse, the wheel or a key: the view follows new rows only from its end.
    connect(View->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this](int value) { m_atEnd = value >= View->verticalScrollBar()->maximum() - 1; });
    showCounts();
}

LinkConsole::~LinkConsole()
{
    m_link.unwatch(&m_log);
}

void LinkConsole::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    m_link.watch(&m_log);
}

void LinkConsole::hideEvent(QHideEvent *event)
{
    m_link.unwatch(&m_log);
    QDialog::hideEvent(event);
}

bool LinkConsole::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == View && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::Copy)) {
        copyRows();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void LinkConsole::showCounts()
{
    const int rows = m_log.rowCount();
    QString text = QStringLiteral("%1 exchange%2").arg(rows).arg(rows == 1 ? "" : "s");
    if (m_log.paused())
        text += QStringLiteral(", paused");
    if (m_log.skipped() > 0)
        text += QStringLiteral(", %1 not recorded while paused").arg(m_log.skipped());
    m_count->setText(text);
}

void LinkConsole::copyRows() const
{
    QStringList lines;
    const QModelIndexList rows = View->selectionModel()->selectedRows();
    QList<int> numbers;
    for (const QModelIndex &index : rows)
        numbers << index.row();
    std::sort(numbers.begin(), numbers.end());
    for (int row : numbers)
        lines << m_log.rowText(row);
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}

bool LinkConsole::saveTo(const QString &path) const
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    file.write(m_log.text().toUtf8());
    return file.commit();
}

void LinkConsole::saveClicked()
{
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Save the exchanges"),
                                                      QStringLiteral("kolvex7-link.txt"),
                                                      QStringLiteral("Text (*.txt)"));
    if (path.isEmpty())
        return;
    if (!saveTo(path))
        m_link.host.message({QStringLiteral("Error"),
                             QStringLiteral("File %1 could not be written.").arg(path),
                             Message::Critical, Message::Ok});
}
