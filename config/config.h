#pragma once

#include "link/protocol.h"

#include <QDialog>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
struct MainState;

// The configuration dialog: serial port, speed and receiver address (stored in the main
// window's state by OK), LNB type, input and band (stored the moment an option is clicked),
// and the link test, which sends "Utst" over the main window's serial port.
class Config : public QDialog
{
    Q_OBJECT

public:
    Config(MainState &state, QWidget *owner = nullptr);

    // A link test got the right answer while the dialog was open.
    bool IsOk = false;

    QGroupBox *lFrm1;
    QLabel *lCom;
    QComboBox *vCom;
    QLabel *lBds;
    QComboBox *vBds;
    QLabel *lAdr;
    QLineEdit *vAdr;
    QPushButton *Test;
    // Beside the address: asks every address on the line and offers those that answered.
    QPushButton *Find;
    QLabel *lStatus;
    QGroupBox *lFrm2;
    QRadioButton *vLNB[3];
    QGroupBox *lIn;
    QRadioButton *vInp[2];
    QGroupBox *lBn;
    QRadioButton *vBnd[2];
    QPushButton *OK;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void Form_Load();
    // True (the Validate event's cancel) when the box's text is not a whole number in range.
    bool CheckNumeric(QWidget *box);
    // Validates the three boxes as leaving each would; false when one refused.
    bool validateAll();
    void OK_Click();
    void Test_Click();
    void Find_Click();
    // Opens the port as the boxes give it, for a test or a search; false, after saying why,
    // when it cannot be. *wasOpen tells whether it was open before.
    bool openAsTyped(bool *wasOpen);
    // The port and speed as typed (checked first).
    Protocol::PortAt typedPort() const;
    QString boxText(QWidget *box) const;
    QWidget *boxOf(QObject *watched) const;

    MainState &m_state;
    // A box refused by validation, taking the focus back.
    QWidget *m_refocus = nullptr;
};
