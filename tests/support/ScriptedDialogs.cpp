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

ScriptedFileDialogs::ScriptedFileDialogs()
{
    FPreviousOpen = SetOpenFilesHook([this](const FileDialogRequest& r) {
        FRequests.push_back(r);
        if (FOpen.empty()) {
            ADD_FAILURE() << "unexpected open-file dialog";
            return QStringList();
        }
        QStringList paths = FOpen.front();
        FOpen.pop_front();
        return paths;
    });
    FPreviousSave = SetSaveFileHook([this](const FileDialogRequest& r) {
        FRequests.push_back(r);
        if (FSave.empty()) {
            ADD_FAILURE() << "unexpected save-file dialog";
            return QString();
        }
        QString path = FSave.front();
        FSave.pop_front();
        return path;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    SetOpenFilesHook(std::move(FPreviousOpen));
    SetSaveFileHook(std::move(FPreviousSave));
}
