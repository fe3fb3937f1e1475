#include "manual/edit.h"

#include "link/linkstate.h"
#include "link/receiverdriver.h"
#include "ui/digitkeys.h"
#include "platform/host.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTimer>
#include <QVBoxLayout>

Edit::Edit(Host &host, QWidget *owner) : QDialog(owner), m_host(host)
{
    setWindowTitle(QStringLiteral("Manual Input"));
    setModal(true);
    Polar[0] = new QRadioButton(QStringLiteral("Vertical"), this);
    Polar[1] = new QRadioButton(QStringLiteral("Horizontal"), this);
    auto *group = new QButtonGroup(this);
    group->setExclusive(true);
    group->addButton(Polar[0], 0);
    group->addButton(Polar[1], 1);
    Freq = new QLineEdit(this);
    Freq->setMaxLength(8);
    SRte = new QLineEdit(this);
    SRte->setMaxLength(5);

    auto *options = new QHBoxLayout;
    options->addWidget(Polar[0]);
    options->addWidget(Polar[1]);
    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("Freq."), Freq);
    form->addRow(QStringLiteral("SRate"), SRte);
    auto *all = new QVBoxLayout(this);
    all->addLayout(options);
    all->addLayout(form);
    setTabOrder(Polar[0], Polar[1]);
    setTabOrder(Polar[1], Freq);
    setTabOrder(Freq, SRte);
    adjustSize();

    // An option that becomes selected, by the operator or on activation, sends its letter;
    // a click on the option already selected sends nothing.
    for (int i = 0; i < 2; ++i) {
        connect(Polar[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                Polar_Click(i);
        });
    }
    Freq->installEventFilter(this);
    SRte->installEventFilter(this);
}

void Edit::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Activation talks to the receiver: it runs once the window is up, not inside its showing.
    if (!m_activated) {
        m_activated = true;
        QTimer::singleShot(0, this, &Edit::Form_Activate);
    }
}

void Edit::Form_Activate()
{
    Freq->setText(Frq);
    SRte->setText(Srt);
    if (Pol == QLatin1String("V"))
        Polar[0]->setChecked(true);
    else if (Pol == QLatin1String("H"))
        Polar[1]->setChecked(true);
}

void Edit::Polar_Click(int index)
{
    if (!Eqt)
        return;
    // A choice made while the receiver is still busy with an earlier one is not sent: the
    // option shown goes back to the one last sent.
    if (RefusedWhileBusy(Eqt->link())) {
        const QSignalBlocker v(Polar[0]), h(Polar[1]);
        if (m_sent >= 0) {
            Polar[m_sent]->setChecked(true);
        } else {
            // An exclusive group lets no option be unchecked directly.
            QButtonGroup *group = Polar[index]->group();
            group->setExclusive(false);
            Polar[index]->setChecked(false);
            group->setExclusive(true);
        }
        return;
    }
    m_sent = index;
    if (index == 0)
        Eqt->SetLNBPolar(QStringLiteral("V"));
    else if (index == 1)
        Eqt->SetLNBPolar(QStringLiteral("H"));
}

bool Edit::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Freq || watched == SRte) && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (Eqt && !RefusedWhileBusy(Eqt->link())) {
                if (watched == Freq)
                    Eqt->SetFrequency(Freq->text());
                else
                    Eqt->SetSpeed(SRte->text());
            }
            return true;
        }
        if (DigitKeyRefused(key->key(), key->text())) {
            m_host.beep();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}
