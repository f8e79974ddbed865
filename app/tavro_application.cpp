#include "tavro_application.h"

#include "platform/guard.h"

bool TavroApplication::notify(QObject *receiver, QEvent *event)
{
    if (!m_messages)
        return QApplication::notify(receiver, event);
    bool handled = false;
    runGuarded(*m_messages, [&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
