#pragma once

#include <QList>
#include <QObject>

class QAction;
class QWidget;

namespace corvane::widgets {

// Makes a window's menu chords work from its edit boxes and editable lists.
// Those editors claim some chords for themselves (Ctrl+A selects the text,
// Ctrl+X cuts it) before the window's shortcuts are looked at; this filter
// turns the claim down for exactly the chords of the given actions, so the
// action runs and the editor keeps every other key.
//
// Window thread only. The actions must outlive the filter.
class WindowChords : public QObject {
public:
    WindowChords(QList<QAction*> actions, QObject* parent);

    // Watches every edit box and list inside window, the lists' own edit
    // boxes included; call it once the controls are built.
    void watchEditors(QWidget& window);

    // True when the key is the chord of one of the actions that is enabled.
    bool isWindowChord(int key, Qt::KeyboardModifiers modifiers) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QList<QAction*> actions;
};

} // namespace corvane::widgets
