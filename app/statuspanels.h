#pragma once

#include <QLabel>
#include <QMap>
#include <QStatusBar>

// A status bar of keyed panels, each with a text and a tool tip, clickable while enabled.
class StatusPanels : public QStatusBar
{
    Q_OBJECT

public:
    explicit StatusPanels(QWidget *parent = nullptr);

    void addPanel(const QString &key, const QString &text, const QString &toolTip, int stretch = 0);
    QLabel *panel(const QString &key) const;
    QString text(const QString &key) const;
    void setText(const QString &key, const QString &text);
    // A disabled panel ignores clicks.
    void setPanelEnabled(const QString &key, bool enabled);
    bool isPanelEnabled(const QString &key) const;

signals:
    void panelClick(const QString &key);
    void textChanged(const QString &key, const QString &text);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMap<QString, QLabel *> m_panels;
};
