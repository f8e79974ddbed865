#include "busy_cursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace {

bool haveGui()
{
    return qobject_cast<QGuiApplication *>(QCoreApplication::instance()) != nullptr;
}

} // namespace

BusyCursor::BusyCursor(Qt::CursorShape shape)
{
    if (!haveGui())
        return;
    QGuiApplication::setOverrideCursor(QCursor(shape));
    m_set = true;
}

BusyCursor::~BusyCursor()
{
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}

ArrowWhileAsking::ArrowWhileAsking()
{
    if (!haveGui() || !QGuiApplication::overrideCursor())
        return;
    QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    m_set = true;
}

ArrowWhileAsking::~ArrowWhileAsking()
{
    if (m_set)
        QGuiApplication::restoreOverrideCursor();
}
