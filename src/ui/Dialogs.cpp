#include "Dialogs.h"

#include "Errors.h"
#include "ResStr.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

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

QString QtFilterOf(const FileDialogRequest& request, QString* selected)
{
    const QStringList filters = ToQtFilters(request.Filter);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
        *selected = filters.at(request.FilterIndex - 1);
    return filters.join(QStringLiteral(";;"));
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
    QString selected;
    const QString filter = QtFilterOf(request, &selected);
    if (request.MultiSelect)
        return QFileDialog::getOpenFileNames(request.Parent, request.Title, request.InitialDir, filter, &selected);
    const QString one = QFileDialog::getOpenFileName(request.Parent, request.Title, request.InitialDir, filter, &selected);
    return one.isEmpty() ? QStringList() : QStringList{one};
}

QString ShowSaveFileDialog(const FileDialogRequest& request)
{
    if (SaveHook())
        return SaveHook()(request);
    QString selected;
    const QString filter = QtFilterOf(request, &selected);
    QFileDialog dialog(request.Parent, request.Title, request.InitialDir, filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    if (!selected.isEmpty())
        dialog.selectNameFilter(selected);
    if (!request.DefaultExt.isEmpty())
        dialog.setDefaultSuffix(request.DefaultExt);
    if (!request.FileName.isEmpty())
        dialog.selectFile(request.FileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    if (request.ChosenFilter) {
        const qsizetype index = ToQtFilters(request.Filter).indexOf(dialog.selectedNameFilter());
        *request.ChosenFilter = index >= 0 ? static_cast<int>(index) + 1 : request.FilterIndex;
    }
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

QStringList ToQtFilters(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts.at(i + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& p : patterns)
            p = p.trimmed();
        result << parts.at(i) + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
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

void CenterOverOwner(QWidget* window, const QWidget* owner)
{
    if (!window || !owner)
        return;
    window->ensurePolished();
    const QRect own = window->frameGeometry();
    // Before the first show a window has no frame yet: its client size stands in for it.
    const QSize size = own.isValid() ? own.size() : window->size();
    const QPoint frameTopLeft = CenteredPosition(owner->frameGeometry(), size);
    window->move(frameTopLeft);
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
