// The benchmark binary's one application object, made by the first benchmark that needs it.
#pragma once

#include <QApplication>

// The application, made here (on the offscreen platform unless QT_QPA_PLATFORM names one) unless
// it exists; null when what exists is no QApplication.
inline QApplication* BenchApplication()
{
    if (QCoreApplication* existing = QCoreApplication::instance())
        return qobject_cast<QApplication*>(existing);
    static int argc = 1;
    static char name[] = "tw_bench";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
}
