#pragma once
// The main window's actions, menus, toolbar and status panels by their object names: the
// window keeps them private, tests find them as a user's tools would.
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QObject>
#include <QToolBar>

#include <gtest/gtest.h>

namespace wintest {

template <class T = QAction>
T* Part(const QObject& window, const char* name)
{
    T* part = window.findChild<T*>(QLatin1String(name));
    EXPECT_NE(part, nullptr) << "no part named " << name;
    return part;
}

} // namespace wintest
