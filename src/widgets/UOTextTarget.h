#pragma once
// TUOTextTarget makes one widget a target for drag and drop from other programs (the file
// manager): it accepts drags that carry what it was told to accept, shows the effect the keys
// and the source allow, and reports the dropped text through OnDrop. It leaves drags started
// inside this program's lists (TListViewDragData) to the widget itself. Main thread only.
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <functional>

class QDropEvent;
class QMimeData;
class QWidget;

enum TDropTextFormat { dtfURL = 0x01, dtfIEHTML = 0x02, dtfRichText = 0x04, dtfText = 0x08, dtfFiles = 0x10, dtfCustom = 0x20 };
using TDropTextFormats = int; // a set of TDropTextFormat

// The answer to a drag, while dragging and at the drop: copy whenever the source allows copy
// (the list records names and never moves files), link when link is all it allows, otherwise
// (and when the data is not acceptable) IgnoreAction. Keys held change nothing.
Qt::DropAction DropEffect(bool acceptable, Qt::DropActions allowed);

// The full local paths of the file URLs a drag carries, in its order; other URLs are skipped.
QStringList LocalFilesOf(const QMimeData* data);

class TUOTextTarget : public QObject {
    Q_OBJECT

public:
    explicit TUOTextTarget(QObject* owner);
    ~TUOTextTarget() override;

    // The widget that receives drops (nullptr for none). A widget that another target of the
    // same owner already names is refused silently and the target stays where it was.
    QWidget* AcceptorControl() const { return m_acceptor; }
    void SetAcceptorControl(QWidget* acceptor);

    TDropTextFormats AcceptTextFormats() const { return m_formats; }
    void SetAcceptTextFormats(TDropTextFormats formats)
    {
        m_formats = formats;
        ForgetDrag();
    }

    // The last drop: the text (files as full paths joined by CR LF) and its lines.
    QString DroppedText() const { return m_droppedText; }
    QStringList DroppedLines() const;

    std::function<void(TUOTextTarget* Sender, Qt::DropAction& Effect)> OnDragEnter;
    std::function<void(TUOTextTarget* Sender, Qt::DropAction& Effect)> OnDragOver;
    std::function<void(TUOTextTarget* Sender)> OnDragLeave;
    // X and Y in the acceptor's client coordinates.
    std::function<void(TUOTextTarget* Sender, QWidget* Acceptor, const QString& DroppedText, int X, int Y)> OnDrop;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What `data` delivers in the accepted formats; empty when it is not acceptable.
    QString TextOf(const QMimeData* data) const;
    // TextOf for the drag in progress, read at its first event only.
    const QString& DragText(const QMimeData* data);
    void ForgetDrag();
    QWidget* DropSurface() const;
    void Detach();
    void AnswerDrag(QDropEvent* event, bool entering);
    void Drop(QDropEvent* event);

    QPointer<QWidget> m_acceptor;
    QPointer<QWidget> m_surface; // the widget the drag events arrive at (a scroll area's viewport)
    TDropTextFormats m_formats = dtfText;
    QString m_droppedText;
    // The drag in progress: its data as first seen, and what it delivers.
    const QMimeData* m_dragData = nullptr;
    QString m_dragText;
    bool m_dragRead = false;
};
