#pragma once
// Input and modal-loop helpers for the window tests: keys and mouse events sent straight to a
// widget, and scripted steps run inside a window's own modal loop.
#include "Progress.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

namespace wintest {

inline void Key(QWidget* target, int key, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

inline void Mouse(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held)
{
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

inline void Press(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    Mouse(w, QEvent::MouseButtonPress, pos, b, b);
}
inline void Move(QWidget* w, QPoint pos) { Mouse(w, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton); }
inline void Release(QWidget* w, QPoint pos, Qt::MouseButton b = Qt::LeftButton)
{
    Mouse(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton);
}
inline void Click(QWidget* w, QPoint pos = QPoint(5, 5))
{
    Press(w, pos);
    Release(w, pos);
}

// The end-of-run handler's two steps.
inline void RunEnds(TFormProgress& form)
{
    form.Finished = true;
    form.SetModalResult(1);
}

// Runs `steps` one after another inside the progress window's modal loop, each from a fresh pass
// of the event loop, and returns ShowModal's result. The last step must end the loop; a hang
// guard ends it (and fails the test) after a generous time.
inline int RunModal(TFormProgress& form, std::vector<std::function<void()>> steps)
{
    auto queue = std::make_shared<std::vector<std::function<void()>>>(std::move(steps));
    auto index = std::make_shared<size_t>(0);
    auto next = std::make_shared<std::function<void()>>();
    *next = [&form, queue, index, next] {
        if (*index >= queue->size())
            return;
        (*queue)[(*index)++]();
        QTimer::singleShot(0, &form, *next);
    };
    QTimer::singleShot(0, &form, *next);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &form, [&] {
        ADD_FAILURE() << "the modal loop did not end";
        form.Finished = true;
        form.SetModalResult(-1);
    });
    guard.start(60000);
    const int result = form.ShowModal();
    *next = nullptr; // breaks the self-reference
    return result;
}

} // namespace wintest
