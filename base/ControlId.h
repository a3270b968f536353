#pragma once
// A control's number is its objectName ("304"), so windows and tests find
// it without keeping pointers around.

#include <QString>
#include <QWidget>

inline void SetControlId(QObject* control, int id)
{
    control->setObjectName(QString::number(id));
}

template <typename T = QWidget>
T* FindControl(const QObject* parent, int id)
{
    return parent->findChild<T*>(QString::number(id));
}
