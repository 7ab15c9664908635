#pragma once

#include "platform/Menus.h"

#include <QKeyEvent>

// The keys the windows act on, from a Qt key event.
inline Key CoreKey(const QKeyEvent& event) {
    switch (event.key()) {
    case Qt::Key_F5:
        return Key::F5;
    case Qt::Key_F6:
        return Key::F6;
    case Qt::Key_F7:
        return Key::F7;
    case Qt::Key_A:
        return Key::A;
    case Qt::Key_C:
        return Key::C;
    case Qt::Key_D:
        return Key::D;
    case Qt::Key_F:
        return Key::F;
    case Qt::Key_L:
        return Key::L;
    case Qt::Key_R:
        return Key::R;
    case Qt::Key_S:
        return Key::S;
    case Qt::Key_Escape:
        return Key::Escape;
    default:
        return Key::Other;
    }
}

inline bool CtrlHeld(const QKeyEvent& event) {
    return (event.modifiers() & Qt::ControlModifier) != 0;
}
