#include "UOTextTarget.h"

#include "EnhListView.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

Qt::DropAction DropEffect(bool acceptable, Qt::DropActions allowed)
{
    if (!acceptable)
        return Qt::IgnoreAction;
    // The names are only recorded, so the files stay where they are: the source hears copy,
    // whatever keys are held. An X11 source takes the answer of the last drag-over as the
    // drop's result, so this answer is given while dragging as well as at the drop.
    if (allowed & Qt::CopyAction)
        return Qt::CopyAction;
    if (allowed == Qt::LinkAction)
        return Qt::LinkAction;
    // A source that offers move alone (or move and link) would delete its files after a move.
    return Qt::IgnoreAction;
}

QStringList LocalFilesOf(const QMimeData* data)
{
    QStringList files;
    if (!data || !data->hasUrls())
        return files;
    for (const QUrl& url : data->urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            files << url.toLocalFile();
    return files;
}

TUOTextTarget::TUOTextTarget(QObject* owner) : QObject(owner) {}

TUOTextTarget::~TUOTextTarget()
{
    Detach();
}

QStringList TUOTextTarget::DroppedLines() const
{
    if (m_droppedText.isEmpty())
        return {};
    return m_droppedText.split(QStringLiteral("\r\n"));
}

void TUOTextTarget::SetAcceptorControl(QWidget* acceptor)
{
    if (acceptor == m_acceptor)
        return;
    if (acceptor && parent())
        for (const TUOTextTarget* other : parent()->findChildren<TUOTextTarget*>(Qt::FindDirectChildrenOnly))
            if (other != this && other->AcceptorControl() == acceptor)
                return;
    Detach();
    m_acceptor = acceptor;
    if (!acceptor)
        return;
    m_surface = DropSurface();
    m_surface->setAcceptDrops(true);
    m_surface->installEventFilter(this);
}

QWidget* TUOTextTarget::DropSurface() const
{
    if (auto* area = qobject_cast<QAbstractScrollArea*>(m_acceptor.data()))
        return area->viewport();
    return m_acceptor;
}

void TUOTextTarget::Detach()
{
    if (m_surface)
        m_surface->removeEventFilter(this);
    m_surface = nullptr;
    m_acceptor = nullptr;
}

QString TUOTextTarget::TextOf(const QMimeData* data) const
{
    if (!data)
        return QString();
    if ((m_formats & dtfFiles)) {
        const QStringList files = LocalFilesOf(data);
        if (!files.isEmpty())
            return files.join(QStringLiteral("\r\n"));
    }
    if ((m_formats & dtfText) && data->hasText() && !data->hasUrls())
        return data->text();
    return QString();
}

const QString& TUOTextTarget::DragText(const QMimeData* data)
{
    // Read once per drag: a list of many thousand files is costly to parse, and a pointer move
    // must stay quick. A drag that arrives without an enter is read when first seen.
    if (!m_dragRead || data != m_dragData) {
        m_dragData = data;
        m_dragText = TextOf(data);
        m_dragRead = true;
    }
    return m_dragText;
}

void TUOTextTarget::ForgetDrag()
{
    m_dragData = nullptr;
    m_dragText.clear();
    m_dragRead = false;
}

bool TUOTextTarget::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_surface)
        return false;
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: {
        auto* drop = static_cast<QDropEvent*>(event);
        // A row dragged inside the list is the list's own business.
        if (qobject_cast<const TListViewDragData*>(drop->mimeData()))
            return false;
        if (event->type() == QEvent::DragEnter)
            ForgetDrag();
        if (event->type() == QEvent::Drop)
            Drop(drop);
        else
            AnswerDrag(drop, event->type() == QEvent::DragEnter);
        return true;
    }
    case QEvent::DragLeave:
        ForgetDrag();
        if (OnDragLeave)
            OnDragLeave(this);
        return false;
    default:
        return false;
    }
}

void TUOTextTarget::AnswerDrag(QDropEvent* event, bool entering)
{
    Qt::DropAction effect = DropEffect(!DragText(event->mimeData()).isEmpty(), event->possibleActions());
    if (entering && OnDragEnter)
        OnDragEnter(this, effect);
    else if (!entering && OnDragOver)
        OnDragOver(this, effect);
    event->setDropAction(effect);
    if (effect == Qt::IgnoreAction)
        event->ignore();
    else
        event->accept();
}

void TUOTextTarget::Drop(QDropEvent* event)
{
    const QString text = DragText(event->mimeData());
    ForgetDrag();
    const Qt::DropAction effect = DropEffect(!text.isEmpty(), event->possibleActions());
    if (effect == Qt::IgnoreAction) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    m_droppedText = text;
    event->setDropAction(effect);
    event->accept();
    // The surface is the acceptor's client area (a scroll area's viewport).
    const QPoint client = event->position().toPoint();
    if (OnDrop)
        OnDrop(this, m_acceptor, m_droppedText, client.x(), client.y());
}
