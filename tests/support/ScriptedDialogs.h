#pragma once
// Scripted answers for message boxes and file dialogs. While an object lives, its hook is
// installed; every question is recorded. An unscripted message box fails the test and is
// answered with Cancel (OK for a box that has only OK).
#include "Dialogs.h"

#include <deque>
#include <vector>

struct AskedMessage {
    QString Text;
    QString Caption;
    unsigned Flags = 0;
};

class ScriptedMessageBoxes {
public:
    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    // Queues the answer to the next message box.
    void Answer(int button) { FAnswers.push_back(button); }
    // Runs `action` when the next message box is shown (before it is answered), e.g. to make
    // something happen while a question is open.
    void OnNextBox(std::function<void(const AskedMessage&)> action) { FActions.push_back(std::move(action)); }
    const std::vector<AskedMessage>& Asked() const { return FAsked; }
    int Pending() const { return static_cast<int>(FAnswers.size()); }

private:
    std::deque<int> FAnswers;
    std::deque<std::function<void(const AskedMessage&)>> FActions;
    std::vector<AskedMessage> FAsked;
    MessageBoxHook FPrevious;
};

class ScriptedFileDialogs {
public:
    ScriptedFileDialogs();
    ~ScriptedFileDialogs();
    ScriptedFileDialogs(const ScriptedFileDialogs&) = delete;
    ScriptedFileDialogs& operator=(const ScriptedFileDialogs&) = delete;

    // Queues the paths the next open dialog returns (empty list: the user cancels).
    void AnswerOpen(const QStringList& paths) { FOpen.push_back(paths); }
    // Queues the path the next save dialog returns (empty text: the user cancels).
    void AnswerSave(const QString& path) { FSave.push_back(path); }
    // Queues the folder the next folder dialog returns (empty text: the user cancels).
    void AnswerFolder(const QString& path) { FFolder.push_back(path); }
    const std::vector<FileDialogRequest>& Requests() const { return FRequests; }

private:
    std::deque<QStringList> FOpen;
    std::deque<QString> FSave;
    std::deque<QString> FFolder;
    std::vector<FileDialogRequest> FRequests;
    OpenFilesHook FPreviousOpen;
    SaveFileHook FPreviousSave;
    ChooseFolderHook FPreviousFolder;
};
