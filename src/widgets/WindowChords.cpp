#include "widgets/WindowChords.h"

#include <QAction>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QWidget>

#include <utility>

namespace corvane::widgets {

WindowChords::WindowChords(QList<QAction*> actions_, QObject* parent)
    : QObject(parent), actions(std::move(actions_))
{
}

void WindowChords::watchEditors(QWidget& window)
{
    // An editable list hands the override question to its edit box without
    // passing filters, so the list itself is watched as well as the box.
    for (QLineEdit* edit : window.findChildren<QLineEdit*>())
        edit->installEventFilter(this);
    for (QComboBox* list : window.findChildren<QComboBox*>())
        list->installEventFilter(this);
}

bool WindowChords::isWindowChord(int key, Qt::KeyboardModifiers modifiers) const
{
    // The keypad flag says where a key is, not which chord it makes.
    const QKeySequence pressed(QKeyCombination(modifiers & ~Qt::KeypadModifier, static_cast<Qt::Key>(key)));
    for (const QAction* action : actions)
        if (action->isEnabled() && action->shortcuts().contains(pressed))
            return true;
    return false;
}

bool WindowChords::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (isWindowChord(key->key(), key->modifiers())) {
            // Left unaccepted, the key goes on to the window's shortcuts.
            event->ignore();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace corvane::widgets
