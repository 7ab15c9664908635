#pragma once

#include "platform/Menus.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

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

// Ctrl+A, Ctrl+C, Ctrl+V, Ctrl+X and Ctrl+Z: select all, copy, paste, cut and undo.
inline bool IsTextEditingKey(const QKeyEvent& event) {
    if (!CtrlHeld(event)) {
        return false;
    }
    switch (event.key()) {
    case Qt::Key_A:
    case Qt::Key_C:
    case Qt::Key_V:
    case Qt::Key_X:
    case Qt::Key_Z:
        return true;
    default:
        return false;
    }
}

// A field the person types text into, where the editing keys edit.
inline bool IsEditableTextField(const QWidget* widget) {
    if (const auto* edit = qobject_cast<const QLineEdit*>(widget)) {
        return !edit->isReadOnly();
    }
    if (const auto* combo = qobject_cast<const QComboBox*>(widget)) {
        return combo->isEditable();
    }
    if (const auto* spin = qobject_cast<const QAbstractSpinBox*>(widget)) {
        return !spin->isReadOnly();
    }
    if (const auto* text = qobject_cast<const QTextEdit*>(widget)) {
        return !text->isReadOnly();
    }
    if (const auto* plain = qobject_cast<const QPlainTextEdit*>(widget)) {
        return !plain->isReadOnly();
    }
    return false;
}
