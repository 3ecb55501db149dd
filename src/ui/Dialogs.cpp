#include "Dialogs.h"

#include "Errors.h"
#include "ResStr.h"

#include <QApplication>
#include <QEvent>
#include <QFileDialog>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>
#include <QWidget>

#include <algorithm>
#include <exception>

namespace {
MessageBoxHook& BoxHook()
{
    static MessageBoxHook hook;
    return hook;
}
OpenFilesHook& OpenHook()
{
    static OpenFilesHook hook;
    return hook;
}
SaveFileHook& SaveHook()
{
    static SaveFileHook hook;
    return hook;
}
ChooseFolderHook& FolderHook()
{
    static ChooseFolderHook hook;
    return hook;
}

int RealMessageBox(const QString& text, const QString& caption, unsigned flags)
{
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(caption);
    box.setText(text);
    switch (flags & MB_ICONMASK) {
    case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
    case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
    case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
    case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
    default: break;
    }
    struct Choice {
        QMessageBox::StandardButton Button;
        int Result;
    };
    std::vector<Choice> choices;
    switch (flags & MB_BUTTONMASK) {
    case MB_OKCANCEL: choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}}; break;
    case MB_YESNOCANCEL:
        choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}, {QMessageBox::Cancel, IDCANCEL}};
        break;
    case MB_YESNO: choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}}; break;
    default: choices = {{QMessageBox::Ok, IDOK}}; break;
    }
    for (const Choice& c : choices)
        box.addButton(c.Button);
    box.setDefaultButton(choices.front().Button);
    const bool hasCancel = (flags & MB_BUTTONMASK) == MB_OKCANCEL || (flags & MB_BUTTONMASK) == MB_YESNOCANCEL
                           || (flags & MB_BUTTONMASK) == MB_OK;
    box.setEscapeButton(hasCancel ? box.button(choices.back().Button) : nullptr);
    box.exec();
    const auto pressed = box.standardButton(box.clickedButton());
    for (const Choice& c : choices)
        if (c.Button == pressed)
            return c.Result;
    return (flags & MB_BUTTONMASK) == MB_OK ? IDOK : IDCANCEL;
}

// A name that already ends with its patterns in brackets ("Wave-Files (*.wav)"), written with
// blanks, commas or semicolons between them, without that part: Qt adds the list itself, in
// its own form (a comma would become part of a pattern there).
QString WithoutOwnPatterns(const QString& name, const QStringList& patterns)
{
    const QString trimmed = name.trimmed();
    const qsizetype open = trimmed.lastIndexOf(QLatin1Char('('));
    if (open < 0 || !trimmed.endsWith(QLatin1Char(')')))
        return name;
    static const QRegularExpression separators(QStringLiteral("[\\s,;]+"));
    const QStringList own = trimmed.sliced(open + 1, trimmed.size() - open - 2).split(separators, Qt::SkipEmptyParts);
    if (own != patterns)
        return name;
    return trimmed.left(open).trimmed();
}

QString QtFilterOf(const FileDialogRequest& request, QString* selected)
{
    const QStringList filters = ToQtFilters(request.Filter);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        *selected = filters.at(request.FilterIndex - 1);
    return filters.join(QStringLiteral(";;"));
}
// What the open and the save dialog share: the filter list with the request's entry chosen, the
// default extension and the preselected name.
void PrepareFileDialog(QFileDialog& dialog, const FileDialogRequest& request, QFileDialog::AcceptMode mode)
{
    QString selected;
    dialog.setNameFilter(QtFilterOf(request, &selected));
    dialog.setAcceptMode(mode);
    if (!selected.isEmpty())
        dialog.selectNameFilter(selected);
    if (!request.DefaultExt.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
}
} // namespace

int ShowMessageBox(const QString& text, const QString& caption, unsigned flags)
{
    if (BoxHook())
        return BoxHook()(text, caption, flags);
    return RealMessageBox(text, caption, flags);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    return std::exchange(BoxHook(), std::move(hook));
}

QStringList ShowOpenFilesDialog(const FileDialogRequest& request)
{
    if (OpenHook())
        return OpenHook()(request);
    QFileDialog dialog(request.Parent, request.Title, request.InitialDir);
    PrepareFileDialog(dialog, request, QFileDialog::AcceptOpen);
    dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

QString ShowSaveFileDialog(const FileDialogRequest& request)
{
    if (SaveHook())
        return SaveHook()(request);
    QFileDialog dialog(request.Parent, request.Title, request.InitialDir);
    PrepareFileDialog(dialog, request, QFileDialog::AcceptSave);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (request.ChosenFilter) {
        const qsizetype index = ToQtFilters(request.Filter).indexOf(dialog.selectedNameFilter());
        *request.ChosenFilter = index >= 0 ? static_cast<int>(index) + 1 : request.FilterIndex;
    }
    return dialog.selectedFiles().constFirst();
}

QString ShowChooseFolderDialog(const FileDialogRequest& request)
{
    if (FolderHook())
        return FolderHook()(request);
    QFileDialog dialog(request.Parent, request.Title, request.InitialDir);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

OpenFilesHook SetOpenFilesHook(OpenFilesHook hook)
{
    return std::exchange(OpenHook(), std::move(hook));
}

SaveFileHook SetSaveFileHook(SaveFileHook hook)
{
    return std::exchange(SaveHook(), std::move(hook));
}

ChooseFolderHook SetChooseFolderHook(ChooseFolderHook hook)
{
    return std::exchange(FolderHook(), std::move(hook));
}

QStringList ToQtFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        result << WithoutOwnPatterns(parts.at(i), patterns) + QStringLiteral(" (") + patterns.join(QLatin1Char(' '))
                      + QLatin1Char(')');
    }
    return result;
}

QPoint CenteredPosition(const QRect& ownerFrame, const QSize& windowFrame)
{
    // C++ integer division truncates toward zero, as the placement rule wants for a window
    // larger than its owner.
    return {ownerFrame.left() + (ownerFrame.width() - windowFrame.width()) / 2,
            ownerFrame.top() + (ownerFrame.height() - windowFrame.height()) / 2};
}

QMargins FrameMarginsOf(const QWidget* window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

namespace {
// The frame `window` has, or, before the window manager has framed it, the owner's: the same
// manager decorates both alike, near enough to place the window before it shows.
QMargins ExpectedFrame(const QWidget* window, const QWidget* owner)
{
    const QMargins own = FrameMarginsOf(window);
    if (!own.isNull() || !owner)
        return own;
    return FrameMarginsOf(owner->window());
}

// Watches a window until the window manager has framed it, then places (and sizes) it again by
// its real frame when that differs from the estimate used. Lives as the window's child.
class TFramePlacement : public QObject {
    Q_OBJECT

public:
    explicit TFramePlacement(QWidget* window) : QObject(window), m_window(window) { window->installEventFilter(this); }

    static TFramePlacement* Of(QWidget* window)
    {
        for (QObject* child : window->children())
            if (auto* placement = dynamic_cast<TFramePlacement*>(child))
                return placement;
        return new TFramePlacement(window);
    }

    void Apply()
    {
        m_used = ExpectedFrame(m_window, m_owner);
        if (m_outer.isValid()) {
            QSize outer = m_outer;
            outer.setWidth(std::max(outer.width(), m_minClientWidth + m_used.left() + m_used.right()));
            m_window->resize(outer.shrunkBy(m_used));
        }
        if (m_owner)
            m_window->move(CenteredPosition(m_owner->frameGeometry(), m_window->size().grownBy(m_used)));
        else if (m_area.isValid())
            m_window->move(CenteredPosition(m_area, m_window->size().grownBy(m_used)));
        m_settled = !FrameMarginsOf(m_window).isNull();
    }

    QPointer<const QWidget> m_owner;
    QRect m_area; // without an owner: the screen area the window is centred in
    QSize m_outer;
    int m_minClientWidth = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == m_window && !m_settled
            && (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show)) {
            const QMargins real = FrameMarginsOf(m_window);
            if (!real.isNull()) {
                m_settled = true;
                if (real != m_used)
                    Apply();
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* m_window;
    QMargins m_used;
    bool m_settled = false;
};
} // namespace

void CenterOverOwner(QWidget* window, const QWidget* owner)
{
    if (!window || !owner)
        return;
    window->ensurePolished();
    TFramePlacement* placement = TFramePlacement::Of(window);
    placement->m_owner = owner;
    placement->Apply();
}

void SetOuterSize(QWidget* window, const QWidget* owner, const QSize& outer)
{
    if (!window)
        return;
    TFramePlacement* placement = TFramePlacement::Of(window);
    if (owner && !placement->m_owner)
        placement->m_owner = owner;
    placement->m_outer = outer;
    window->resize(outer.shrunkBy(ExpectedFrame(window, owner)));
}

void PlaceOnScreen(QWidget* window, const QSize& outer, const QRect& area, int minClientWidth)
{
    if (!window)
        return;
    window->ensurePolished();
    TFramePlacement* placement = TFramePlacement::Of(window);
    placement->m_outer = outer;
    placement->m_area = area;
    placement->m_minClientWidth = minClientWidth;
    placement->Apply();
}

void RunGuarded(const std::function<void()>& work) noexcept
{
    try {
        try {
            work();
        } catch (const EAbort&) {
        } catch (const std::exception& e) {
            ShowMessageBox(QString::fromUtf8(e.what()), ResStr::CaptionError, MB_OK | MB_ICONERROR);
        } catch (...) {
            ShowMessageBox(ResStr::UnknownError, ResStr::CaptionError, MB_OK | MB_ICONERROR);
        }
    } catch (...) {
        // The error box itself failed (out of memory): nothing more can be shown.
    }
}

#include "Dialogs.moc"
