#pragma once

#include "app/exchangelog.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableView;
class LinkState;

// The link console: every exchange with the receiver as it happens, in a window beside the
// main one. It watches the link only while it is shown. Pause stops the recording, Clear
// empties it, Save writes it as text; Ctrl+C copies the selected rows.
class LinkConsole : public QDialog
{
    Q_OBJECT

public:
    explicit LinkConsole(LinkState &link, QWidget *parent = nullptr);
    ~LinkConsole() override;

    ExchangeLog &log() { return m_log; }
    // Writes every row as a line of tab-separated cells; false when the file cannot be written.
    bool saveTo(const QString &path) const;

    QTableView *View = nullptr;
    QPushButton *Pause = nullptr;
    QPushButton *Clear = nullptr;
    QPushButton *Save = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void copyRows() const;
    void saveClicked();
    void showCounts();

    LinkState &m_link;
    ExchangeLog m_log;
    QLabel *m_count = nullptr;
    bool m_atEnd = true; // the view follows new rows
};
