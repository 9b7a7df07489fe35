// Reading the pop-up menu in the window tests: its command actions, the
// checked ones, and whether one command is checked.
#pragma once

#include <QAction>
#include <QList>
#include <QMenu>

#include "app/popup_menu.h"

// Every command action, submenus' included, in menu order; no separators.
inline QList<QAction*> AllActions(QMenu* menu) {
    QList<QAction*> all;
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr) all += AllActions(a->menu());
        else if (!a->isSeparator()) all << a;
    }
    return all;
}

// The checked device commands in menu order, without the window's own.
inline QList<int> CheckedIds(QMenu* menu) {
    QList<int> ids;
    for (QAction* a : AllActions(menu))
        if (a->isChecked() && !IsOwnCommand(a->data().toInt())) ids << a->data().toInt();
    return ids;
}

// Whether an action for commandId is checked, anywhere in the menu.
inline bool CheckedIn(QMenu* menu, int commandId) {
    for (QAction* a : menu->actions()) {
        if (a->menu() != nullptr && CheckedIn(a->menu(), commandId)) return true;
        if (a->data().toInt() == commandId && a->isChecked()) return true;
    }
    return false;
}
