#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

ScriptedMessageBoxes::ScriptedMessageBoxes()
{
    FPrevious = SetMessageBoxHook([this](const QString& text, const QString& caption, unsigned flags) {
        const AskedMessage asked{text, caption, flags};
        FAsked.push_back(asked);
        if (!FActions.empty()) {
            auto action = std::move(FActions.front());
            FActions.pop_front();
            action(asked);
        }
        if (FAnswers.empty()) {
            ADD_FAILURE() << "unexpected message box: [" << caption.toStdString() << "] " << text.toStdString();
            return (flags & MB_BUTTONMASK) == MB_OK ? int(IDOK) : int(IDCANCEL);
        }
        const int answer = FAnswers.front();
        FAnswers.pop_front();
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    SetMessageBoxHook(std::move(FPrevious));
}

namespace {
// The next scripted answer of one kind of dialog; an unscripted dialog fails the test and is
// cancelled.
template <class T>
T NextAnswer(std::deque<T>& answers, const char* dialog)
{
    if (answers.empty()) {
        ADD_FAILURE() << "unexpected " << dialog << " dialog";
        return T();
    }
    T answer = std::move(answers.front());
    answers.pop_front();
    return answer;
}
} // namespace

ScriptedFileDialogs::ScriptedFileDialogs()
{
    FPreviousOpen = SetOpenFilesHook([this](const FileDialogRequest& r) {
        FRequests.push_back(r);
        return NextAnswer(FOpen, "open-file");
    });
    FPreviousSave = SetSaveFileHook([this](const FileDialogRequest& r) {
        FRequests.push_back(r);
        return NextAnswer(FSave, "save-file");
    });
    FPreviousFolder = SetChooseFolderHook([this](const FileDialogRequest& r) {
        FRequests.push_back(r);
        return NextAnswer(FFolder, "folder");
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    SetOpenFilesHook(std::move(FPreviousOpen));
    SetSaveFileHook(std::move(FPreviousSave));
    SetChooseFolderHook(std::move(FPreviousFolder));
}
