#pragma once
// The program's own command line, read before any window exists: files to open, the switches
// --help and --version, and Qt's own options, which go on to QApplication.
#include <QString>
#include <QStringList>

enum TProgramAction {
    paStart,    // open the window with Files
    paHelp,     // print ProgramHelpText() and end with status 0
    paVersion,  // print ProgramVersionText() and end with status 0
    paRefused,  // print Error on standard error and end with status 2
};

struct TProgramArguments {
    TProgramAction Action = paStart;
    QStringList Files;      // every argument that names a file, in the given order
    QStringList QtOptions;  // Qt's options with their values, in the given order, for QApplication
    QString Error;          // one line, for paRefused
};

// `arguments` without the program name. An argument beginning with "-" is a switch of ours, one
// of Qt's options (with its value, as "-style fusion" or "-style=fusion"), or refused; after "--"
// every argument is a file. A lone "-" is a file name. The first --help or --version among the
// options wins, also over an option refused before it.
TProgramArguments ParseProgramArguments(const QStringList& arguments);

QString ProgramHelpText();
QString ProgramVersionText();
