#pragma once
// Message boxes, the standard file dialogs and the default error display. Each dialog goes
// through one replaceable hook so tests can answer it and see what was asked.
#include <QMargins>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// Button and icon choices, numbered as the platform message box of the original program.
enum : unsigned {
    MB_OK = 0x00,
    MB_OKCANCEL = 0x01,
    MB_YESNOCANCEL = 0x03,
    MB_YESNO = 0x04,
    MB_ICONERROR = 0x10,
    MB_ICONQUESTION = 0x20,
    MB_ICONWARNING = 0x30,
    MB_ICONINFORMATION = 0x40,
    MB_BUTTONMASK = 0x0F,
    MB_ICONMASK = 0xF0,
};
// The buttons' results.
enum : int { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

using MessageBoxHook = std::function<int(const QString& text, const QString& caption, unsigned flags)>;

// Shows a modal message box owned by the application and returns the button pressed.
int ShowMessageBox(const QString& text, const QString& caption, unsigned flags);
// Replaces the message box; an empty hook restores the real one. Returns the previous hook.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);

// A file dialog request. `Filter` is in the "Name|*.a;*.b|Name|*.c" form of the program's texts.
struct FileDialogRequest {
    QWidget* Parent = nullptr;
    QString Title;
    QString Filter;
    int FilterIndex = 1; // 1-based, as in the filter text
    QString InitialDir;
    QString FileName;    // proposed name, preselected
    QString DefaultExt;  // appended when the user types a name without one
    bool MultiSelect = false;
    int* ChosenFilter = nullptr; // when set, receives the 1-based filter the user left selected
};

// Returns the chosen paths, or an empty list when the user cancelled.
using OpenFilesHook = std::function<QStringList(const FileDialogRequest&)>;
// Returns the chosen path, or an empty text when the user cancelled.
using SaveFileHook = std::function<QString(const FileDialogRequest&)>;

// Returns the chosen folder, or an empty text when the user cancelled.
using ChooseFolderHook = std::function<QString(const FileDialogRequest&)>;

QStringList ShowOpenFilesDialog(const FileDialogRequest& request);
QString ShowSaveFileDialog(const FileDialogRequest& request);
// A dialog that chooses an existing folder: the request's Title, Parent and InitialDir count.
QString ShowChooseFolderDialog(const FileDialogRequest& request);
OpenFilesHook SetOpenFilesHook(OpenFilesHook hook);
SaveFileHook SetSaveFileHook(SaveFileHook hook);
ChooseFolderHook SetChooseFolderHook(ChooseFolderHook hook);

// "Audio-Files|*.wav;*.aif" becomes Qt's "Audio-Files (*.wav *.aif)" list. A name that already
// shows its patterns in brackets ("Wave-Files (*.wav)|*.wav") shows them once.
QStringList ToQtFilters(const QString& filter);

// Places `window` centred over `owner` by their outer frames: top = owner's top + (owner's height
// - window's height) / 2, likewise left, truncating toward zero; it may lie partly off screen.
// Before the window manager has framed `window`, the owner's frame stands in for its own; once
// the real frame is known and differs, the window is placed (and sized, see SetOuterSize) again.
// Without a window manager there is no frame and the client rectangles count.
void CenterOverOwner(QWidget* window, const QWidget* owner);
QPoint CenteredPosition(const QRect& ownerFrame, const QSize& windowFrame);
// Gives `window` the outer size `outer`, frame included, by the same estimate and correction.
void SetOuterSize(QWidget* window, const QWidget* owner, const QSize& outer);
// A window without an owner (the main window): `outer` with its frame, centred in `area` (the
// screen's available area) by its frame; again once the window manager has framed it. Wider
// when the inside needs `minClientWidth` (the frame comes on top of that).
void PlaceOnScreen(QWidget* window, const QSize& outer, const QRect& area, int minClientWidth = 0);
// The frame the window manager has put around a top-level `window` (none before it is framed).
QMargins FrameMarginsOf(const QWidget* window);

// The default error display: runs `work`; an error that escapes is shown in an error box
// (an EAbort silently) and the program goes on. Every command and event handler runs inside it.
void RunGuarded(const std::function<void()>& work) noexcept;

// Wraps a handler so that it runs inside RunGuarded, for connecting to signals.
template <class F>
auto Guarded(F handler)
{
    return [handler = std::move(handler)](auto&&... args) {
        RunGuarded([&] { handler(std::forward<decltype(args)>(args)...); });
    };
}
