#pragma once
// The check that a window shows every text whole: each visible label, button, check box and
// group box title is at least as large as its text needs and lies inside its parent.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QToolButton>
#include <QStringList>
#include <QWidget>

// What is cut in `window` once its layouts have placed everything, one line per control
// ("Class 'text': 40x13 of 52x13"); empty when nothing is.
inline QStringList CutTexts(QWidget* window)
{
    // What the event loop would do before the window is seen: the layouts answer the changes
    // of texts; then the outer layouts first, each placing the widgets whose own layouts come next.
    window->ensurePolished();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    // A hidden window gets its resize event only when shown: each layout is put to its widget's
    // size here instead.
    QList<QWidget*> laidOut = {window};
    laidOut += window->findChildren<QWidget*>();
    for (QWidget* w : laidOut)
        if (w->layout()) {
            w->layout()->activate();
            w->layout()->setGeometry(w->rect());
        }
    QStringList cut;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window))
            continue;
        QString text;
        QSize needed;
        if (auto* label = qobject_cast<QLabel*>(w)) {
            text = label->text();
            needed = label->wordWrap() ? QSize(label->minimumSizeHint().width(), label->heightForWidth(label->width()))
                                       : label->sizeHint();
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            // A push button's hint adds generous padding; its text needs to fit inside the bevel.
            text = push->text();
            const QFontMetrics fm = push->fontMetrics();
            needed = QSize(fm.horizontalAdvance(QString(text).remove(QLatin1Char('&'))) + 8, fm.height() + 4);
        } else if (auto* tool = qobject_cast<QToolButton*>(w); tool && tool->toolButtonStyle() == Qt::ToolButtonIconOnly) {
            continue; // shows no text
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            text = button->text();
            needed = button->sizeHint();
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            text = group->title();
            needed = group->minimumSizeHint();
        } else {
            continue;
        }
        if (text.isEmpty())
            continue;
        const bool whole = w->width() >= needed.width() && w->height() >= needed.height();
        const bool inside = w->parentWidget()->rect().contains(w->geometry());
        if (!whole || !inside)
            cut << QStringLiteral("%1 '%2': %3x%4 at %5,%6 of %7x%8 needed")
                       .arg(QLatin1String(w->metaObject()->className()), text)
                       .arg(w->width()).arg(w->height()).arg(w->x()).arg(w->y())
                       .arg(needed.width()).arg(needed.height());
    }
    return cut;
}
