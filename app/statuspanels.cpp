#include "app/statuspanels.h"

#include <QMouseEvent>

StatusPanels::StatusPanels(QWidget *parent) : QStatusBar(parent)
{
    setSizeGripEnabled(true);
}

void StatusPanels::addPanel(const QString &key, const QString &text, const QString &toolTip,
                            int stretch)
{
    auto *label = new QLabel(text, this);
    label->setObjectName(key);
    label->setToolTip(toolTip);
    label->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    label->setMinimumWidth(60);
    label->setContentsMargins(6, 1, 6, 1);
    label->installEventFilter(this);
    addPermanentWidget(label, stretch);
    m_panels.insert(key, label);
}

QLabel *StatusPanels::panel(const QString &key) const
{
    return m_panels.value(key);
}

QString StatusPanels::text(const QString &key) const
{
    QLabel *p = panel(key);
    return p ? p->text() : QString();
}

void StatusPanels::setText(const QString &key, const QString &text)
{
    if (QLabel *p = panel(key)) {
        p->setText(text);
        emit textChanged(key, text);
    }
}

void StatusPanels::setPanelEnabled(const QString &key, bool enabled)
{
    if (QLabel *p = panel(key))
        p->setEnabled(enabled);
}

bool StatusPanels::isPanelEnabled(const QString &key) const
{
    QLabel *p = panel(key);
    return p && p->isEnabled();
}

bool StatusPanels::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonRelease) {
        auto *label = qobject_cast<QLabel *>(watched);
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (label && label->isEnabled() && mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            emit panelClick(label->objectName());
            return true;
        }
    }
    return QStatusBar::eventFilter(watched, event);
}
