#include "ScriptedDialogs.h"

#include <gtest/gtest.h>

ScriptedMessageBoxes::ScriptedMessageBoxes()
{
    m_previous = SetMessageBoxHook([this](const QString& text, const QString& caption, unsigned flags) {
        const AskedMessage asked{text, caption, flags};
        m_asked.push_back(asked);
        if (!m_actions.empty()) {
            auto action = std::move(m_actions.front());
            m_actions.pop_front();
            action(asked);
        }
        if (m_answers.empty()) {
            ADD_FAILURE() << "unexpected message box: [" << caption.toStdString() << "] " << text.toStdString();
            return (flags & MB_BUTTONMASK) == MB_OK ? int(IDOK) : int(IDCANCEL);
        }
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes()
{
    SetMessageBoxHook(std::move(m_previous));
}

ScriptedFileDialogs::ScriptedFileDialogs()
{
    m_previousOpen = SetOpenFilesHook([this](const FileDialogRequest& r) {
        m_requests.push_back(r);
        if (m_open.empty()) {
            ADD_FAILURE() << "unexpected open-file dialog";
            return QStringList();
        }
        QStringList paths = m_open.front();
        m_open.pop_front();
        return paths;
    });
    m_previousSave = SetSaveFileHook([this](const FileDialogRequest& r) {
        m_requests.push_back(r);
        if (m_save.empty()) {
            ADD_FAILURE() << "unexpected save-file dialog";
            return QString();
        }
        QString path = m_save.front();
        m_save.pop_front();
        return path;
    });
}

ScriptedFileDialogs::~ScriptedFileDialogs()
{
    SetOpenFilesHook(std::move(m_previousOpen));
    SetSaveFileHook(std::move(m_previousSave));
}
