#include "app/widgethost.h"

#include <QApplication>
#include <QMessageBox>

void WidgetHost::beep()
{
    QApplication::beep();
}

bool WidgetHost::shiftDown()
{
    // Asks the window system for the keys held now, not for the last key event seen.
    return QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
}

Message::Answer WidgetHost::message(const Message &m)
{
    QMessageBox box(m.icon == Message::Critical ? QMessageBox::Critical : QMessageBox::NoIcon,
                    m.title, QString(m.text).replace(QLatin1String("\r\n"), QLatin1String("\n")),
                    m.buttons == Message::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                                   : QMessageBox::Ok,
                    QApplication::activeWindow());
    return box.exec() == QMessageBox::Cancel ? Message::AnsweredCancel : Message::AnsweredOk;
}
