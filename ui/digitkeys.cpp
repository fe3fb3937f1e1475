#include "ui/digitkeys.h"

#include <QtGlobal>

bool DigitKeyRefused(int key, const QString &text)
{
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        return false;
    default:
        break;
    }
    if (text.isEmpty())
        return false; // a modifier or function key types nothing
    const ushort c = text.at(0).unicode();
    return c != 8 && (c < 48 || c > 59);
}
