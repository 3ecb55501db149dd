#include "UOTextTarget.h"

#include "EnhListView.h"

#include <QAbstractScrollArea>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

Qt::DropAction DropEffect(bool acceptable, Qt::KeyboardModifiers keys, Qt::DropActions allowed)
{
    if (!acceptable)
        return Qt::IgnoreAction;
    const bool ctrl = keys & Qt::ControlModifier;
    const bool shift = keys & Qt::ShiftModifier;
    Qt::DropAction chosen = Qt::IgnoreAction;
    if (ctrl && shift)
        chosen = Qt::LinkAction;
    else if (ctrl)
        chosen = Qt::CopyAction;
    else if (shift)
        chosen = Qt::MoveAction;
    if (chosen != Qt::IgnoreAction)
        return allowed & chosen ? chosen : Qt::IgnoreAction;
    for (Qt::DropAction a : {Qt::MoveAction, Qt::CopyAction, Qt::LinkAction})
        if (allowed & a)
            return a;
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

bool TUOTextTarget::Acceptable(const QMimeData* data) const
{
    if (!data)
        return false;
    if ((m_formats & dtfFiles) && !LocalFilesOf(data).isEmpty())
        return true;
    if ((m_formats & dtfText) && data->hasText() && !data->hasUrls())
        return true;
    return false;
}

QString TUOTextTarget::TextOf(const QMimeData* data) const
{
    if ((m_formats & dtfFiles)) {
        const QStringList files = LocalFilesOf(data);
        if (!files.isEmpty())
            return files.join(QStringLiteral("\r\n"));
    }
    if ((m_formats & dtfText) && data->hasText())
        return data->text();
    return QString();
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
        if (event->type() == QEvent::Drop)
            Drop(drop);
        else
            AnswerDrag(drop, event->type() == QEvent::DragEnter);
        return true;
    }
    case QEvent::DragLeave:
        if (OnDragLeave)
            OnDragLeave(this);
        return false;
    default:
        return false;
    }
}

void TUOTextTarget::AnswerDrag(QDropEvent* event, bool entering)
{
    Qt::DropAction effect = DropEffect(Acceptable(event->mimeData()), event->modifiers(), event->possibleActions());
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
    const Qt::DropAction effect =
        DropEffect(Acceptable(event->mimeData()), event->modifiers(), event->possibleActions());
    const QString text = effect == Qt::IgnoreAction ? QString() : TextOf(event->mimeData());
    if (text.isEmpty()) {
        event->setDropAction(Qt::IgnoreAction);
        event->ignore();
        return;
    }
    m_droppedText = text;
    // The names are only recorded: a copy tells the source to keep its files, also when the
    // user chose to move them.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The surface is the acceptor's client area (a scroll area's viewport).
    const QPoint client = event->position().toPoint();
    if (OnDrop)
        OnDrop(this, m_acceptor, m_droppedText, client.x(), client.y());
}
