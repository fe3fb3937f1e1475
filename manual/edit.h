#pragma once

#include <QDialog>

class Host;
class QLineEdit;
class QRadioButton;
class FrontEnd;

// The manual input dialog: a frequency or a symbol rate typed and confirmed with Enter, or a
// polarisation chosen, goes to the receiver at once. Nothing is written back to the main window.
class Edit : public QDialog
{
    Q_OBJECT

public:
    Edit(Host &host, QWidget *owner = nullptr);

    // Set by the opener before the dialog is shown.
    FrontEnd *Eqt = nullptr;
    QString Frq;
    QString Srt;
    QString Pol;

    QLineEdit *Freq;
    QLineEdit *SRte;
    QRadioButton *Polar[2];

protected:
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Form_Activate();
    void Polar_Click(int index);

    Host &m_host;
    bool m_activated = false;
    // The option whose polarisation was last sent; -1 before the first.
    int m_sent = -1;
};
