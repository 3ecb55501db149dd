#pragma once
// Every text the user sees, in one table; QtCore only, so the rules in core take their texts from
// it too. Fixed literals elsewhere are kept for encoder keywords, file names and formats only.
// Each area keeps its texts in its own block below.
// A text is a TResText: translated (context "ResStr") each time it becomes a QString. Names, URLs
// and the version stay plain QStrings: they are the same in every language.
#include "ResText.h"

#include <QString>

namespace ResStr {

// --- message box captions and the default error display ---
inline constexpr TResText CaptionHint{QT_TRANSLATE_NOOP("ResStr", "Hint")};
inline constexpr TResText CaptionError{QT_TRANSLATE_NOOP("ResStr", "Error")};
inline constexpr TResText CaptionQuestion{QT_TRANSLATE_NOOP("ResStr", "Question")};
inline constexpr TResText UnknownError{QT_TRANSLATE_NOOP("ResStr", "An unknown error occurred.")};

// --- program start, file list, main window, settings ---
inline const QString AppTitle = QStringLiteral("Tonewright");
inline const QString ProductCaption = QStringLiteral("Tonewright 1.2");
inline constexpr TResText ColumnFile{QT_TRANSLATE_NOOP("ResStr", "File")};
inline constexpr TResText ColumnFolder{QT_TRANSLATE_NOOP("ResStr", "Folder")};
inline constexpr TResText ColumnBytes{QT_TRANSLATE_NOOP("ResStr", "Bytes")};
inline constexpr TResText ColumnDate{QT_TRANSLATE_NOOP("ResStr", "Date")};
inline constexpr TResText ColumnStatus{QT_TRANSLATE_NOOP("ResStr", "Status")};
// The Status column: each file's part in the last batch.
inline constexpr TResText FileStatusWaiting{QT_TRANSLATE_NOOP("ResStr", "Waiting")};
inline constexpr TResText FileStatusEncoding{QT_TRANSLATE_NOOP("ResStr", "Encoding %1%")};
inline constexpr TResText FileStatusDone{QT_TRANSLATE_NOOP("ResStr", "Done")};
inline constexpr TResText FileStatusFailed{QT_TRANSLATE_NOOP("ResStr", "Failed")};
inline constexpr TResText FileStatusSkipped{QT_TRANSLATE_NOOP("ResStr", "Skipped")};
inline constexpr TResText FileStatusStopped{QT_TRANSLATE_NOOP("ResStr", "Stopped")};
inline constexpr TResText NoFiles{QT_TRANSLATE_NOOP("ResStr", "No files")};
inline constexpr TResText OneFile{QT_TRANSLATE_NOOP("ResStr", "One file")};
inline constexpr TResText SomeFiles{QT_TRANSLATE_NOOP("ResStr", "%1 files")};
// "All Files" is "*", not "*.*": on Linux many files have no dot in their names. Every file goes
// to the encoder, whatever its kind: one that reads only WAV and AIFF says so in the log.
inline constexpr TResText ChooseFilesFilter{QT_TRANSLATE_NOOP("ResStr",
    "Audio-Files|*.wav;*.aif;*.aiff;*.flac;*.ogg;*.oga;*.opus|Wave-Files (*.wav)|*.wav|"
    "AIFF-Files (*.aif, *.aiff)|*.aif;*.aiff|FLAC-Files (*.flac)|*.flac|"
    "Ogg-Vorbis-Files (*.ogg, *.oga)|*.ogg;*.oga|Opus-Files (*.opus)|*.opus|All Files|*")};
inline constexpr TResText UnableToWrite{QT_TRANSLATE_NOOP("ResStr", "Unable to write to %1")};
inline constexpr TResText IniValueHasLineBreak{QT_TRANSLATE_NOOP("ResStr", "The setting %1/%2 cannot hold a line break.")};
inline constexpr TResText PriorityIdle{QT_TRANSLATE_NOOP("ResStr", "Idle")};
inline constexpr TResText PriorityLowest{QT_TRANSLATE_NOOP("ResStr", "Lowest")};
inline constexpr TResText PriorityLower{QT_TRANSLATE_NOOP("ResStr", "Lower")};
inline constexpr TResText PriorityNormal{QT_TRANSLATE_NOOP("ResStr", "Normal")};
inline constexpr TResText PriorityHigher{QT_TRANSLATE_NOOP("ResStr", "Higher")};
inline constexpr TResText PriorityHighest{QT_TRANSLATE_NOOP("ResStr", "Highest")};
inline constexpr TResText ActionChooseFilesCaption{QT_TRANSLATE_NOOP("ResStr", "Ch&oose Files")};
inline constexpr TResText ActionChooseFilesHint{QT_TRANSLATE_NOOP("ResStr", "Add files to the list")};
inline constexpr TResText ActionAddFolderCaption{QT_TRANSLATE_NOOP("ResStr", "Add &Folder...")};
inline constexpr TResText ActionAddFolderHint{QT_TRANSLATE_NOOP("ResStr", "Add every audio file under a folder to the list")};
inline constexpr TResText AddFolderTitle{QT_TRANSLATE_NOOP("ResStr", "Add Folder")};
inline constexpr TResText ReadingFolder{QT_TRANSLATE_NOOP("ResStr", "Reading folder... %1 files")};
inline constexpr TResText FoldersNotRead{QT_TRANSLATE_NOOP("ResStr", "These folders could not be read:\n%1")};
inline constexpr TResText ActionEncodeCaption{QT_TRANSLATE_NOOP("ResStr", "&Encode")};
inline constexpr TResText ActionEncodeHint{QT_TRANSLATE_NOOP("ResStr", "Starts encoding the listed files")};
inline constexpr TResText ActionDeleteCaption{QT_TRANSLATE_NOOP("ResStr", "&Delete")};
inline constexpr TResText ActionDeleteHint{QT_TRANSLATE_NOOP("ResStr", "Delete selected files from list")};
inline constexpr TResText ActionClearListCaption{QT_TRANSLATE_NOOP("ResStr", "&Clear List")};
inline constexpr TResText ActionClearListHint{QT_TRANSLATE_NOOP("ResStr", "Deletes all entries of the list")};
inline constexpr TResText ActionClearFinishedCaption{QT_TRANSLATE_NOOP("ResStr", "Clear Fi&nished")};
inline constexpr TResText ActionClearFinishedHint{QT_TRANSLATE_NOOP("ResStr", "Deletes the files encoded by the last batch from the list")};
inline constexpr TResText ActionOptionsCaption{QT_TRANSLATE_NOOP("ResStr", "O&ptions")};
inline constexpr TResText ActionOptionsHint{QT_TRANSLATE_NOOP("ResStr", "Shows options dialog")};
inline constexpr TResText ActionAboutCaption{QT_TRANSLATE_NOOP("ResStr", "&About")};
inline constexpr TResText ActionAboutHint{QT_TRANSLATE_NOOP("ResStr", "Shows information about Tonewright")};
inline constexpr TResText ActionToolbarCaption{QT_TRANSLATE_NOOP("ResStr", "&Show Toolbar")};
inline constexpr TResText ActionToolbarHint{QT_TRANSLATE_NOOP("ResStr", "Hides of shows toolbar")};
inline constexpr TResText ActionToolbarIconsCaption{QT_TRANSLATE_NOOP("ResStr", "&Icons")};
inline constexpr TResText ActionToolbarIconsHint{QT_TRANSLATE_NOOP("ResStr", "Shows icons on toolbar")};
inline constexpr TResText ActionToolbarCaptionsCaption{QT_TRANSLATE_NOOP("ResStr", "&Captions")};
inline constexpr TResText ActionToolbarCaptionsHint{QT_TRANSLATE_NOOP("ResStr", "Shows captions on toolbar")};
inline constexpr TResText ActionToolbarBothCaption{QT_TRANSLATE_NOOP("ResStr", "&Both")};
inline constexpr TResText ActionToolbarBothHint{QT_TRANSLATE_NOOP("ResStr", "Show Captions and Icons on Toolbar")};
inline constexpr TResText ActionViewLogCaption{QT_TRANSLATE_NOOP("ResStr", "Last &Log")};
inline constexpr TResText ActionViewLogHint{QT_TRANSLATE_NOOP("ResStr", "View contents of log of last run")};
inline constexpr TResText MenuFileCaption{QT_TRANSLATE_NOOP("ResStr", "&File")};
inline constexpr TResText MenuOpenFilelistCaption{QT_TRANSLATE_NOOP("ResStr", "Open filelist")};
inline constexpr TResText MenuExitCaption{QT_TRANSLATE_NOOP("ResStr", "E&xit")};
inline constexpr TResText MenuEditCaption{QT_TRANSLATE_NOOP("ResStr", "&Edit")};
inline constexpr TResText MenuActionsCaption{QT_TRANSLATE_NOOP("ResStr", "&Actions")};
inline constexpr TResText MenuQuickEncodeCaption{QT_TRANSLATE_NOOP("ResStr", "QuickEncode")};
inline constexpr TResText MenuViewCaption{QT_TRANSLATE_NOOP("ResStr", "&View")};
inline constexpr TResText MenuToolbarCaption{QT_TRANSLATE_NOOP("ResStr", "&Toolbar")};
inline constexpr TResText MenuDisplayCaption{QT_TRANSLATE_NOOP("ResStr", "&Display")};
inline constexpr TResText MenuHelpCaption{QT_TRANSLATE_NOOP("ResStr", "&Help")};
inline constexpr TResText MenuContentsCaption{QT_TRANSLATE_NOOP("ResStr", "Contents")};
inline constexpr TResText MenuKeywordSearchCaption{QT_TRANSLATE_NOOP("ResStr", "Keyword search")};
inline constexpr TResText MenuCheckForUpdateCaption{QT_TRANSLATE_NOOP("ResStr", "&Check for update")};
inline constexpr TResText MenuBladeEncHomepageCaption{QT_TRANSLATE_NOOP("ResStr", "&BladeEnc Homepage")};
inline constexpr TResText MenuTonewrightHomepageCaption{QT_TRANSLATE_NOOP("ResStr", "&Tonewright Homepage")};
inline const QString BladeEncHomepageUrl = QStringLiteral("http://bladeenc.mp3.no/");
inline const QString TonewrightHomepageUrl = QStringLiteral("https://www.tonewright.org/");

// --- batch run, output interpreter, progress window, tray, log, shutdown ---
// Batch run and output interpreter. The display prefixes are shared with the progress window.
inline constexpr TResText EncoderNotFound{QT_TRANSLATE_NOOP("ResStr",
    "The file \"%1\" couldn't be found.\r\nPlease go to the options and specify the correct location of BladeEnc.")};
inline constexpr TResText NoFilesToEncode{QT_TRANSLATE_NOOP("ResStr", "There are no files to encode!")};
// Skip-existing: one log line per file left out (source, its MP3), and the word when none is left.
inline constexpr TResText LogSkippedExisting{QT_TRANSLATE_NOOP("ResStr", "Skipped %1: its MP3 %2 already exists.")};
inline constexpr TResText AllMp3sExist{QT_TRANSLATE_NOOP("ResStr", "Every listed file's MP3 already exists: there is nothing to encode.")};
inline constexpr TResText ErrorViewLog{QT_TRANSLATE_NOOP("ResStr", "At least one error occurred. Do you want to view the log?")};
inline constexpr TResText CannotCreateFile{QT_TRANSLATE_NOOP("ResStr", "Cannot create file %1")};
inline constexpr TResText LogErrorPrefix{QT_TRANSLATE_NOOP("ResStr", "Error: ")};
// The last line of a batch the user stopped: files completed, files in the list.
inline constexpr TResText LogStoppedByUser{QT_TRANSLATE_NOOP("ResStr", "Stopped by the user after %1 of %2 files.")};
// After LogErrorPrefix, when a run the user did not stop ended badly.
inline constexpr TResText EncoderEndedBySignal{QT_TRANSLATE_NOOP("ResStr", "the encoder ended with signal %1 after %2 of %3 files")};
inline constexpr TResText EncoderEndedWithStatus{QT_TRANSLATE_NOOP("ResStr", "the encoder ended with exit status %1 after %2 of %3 files")};
inline constexpr TResText EncoderEndedEarly{QT_TRANSLATE_NOOP("ResStr", "the encoder ended after %1 of %2 files")};
inline constexpr TResText TrayStarting{QT_TRANSLATE_NOOP("ResStr", "Starting...")};
inline constexpr TResText TrayFinished{QT_TRANSLATE_NOOP("ResStr", "Finished encoding")};
inline constexpr TResText TrayProgressHint{QT_TRANSLATE_NOOP("ResStr", "%1: %2%, Batch: %3%")};
inline constexpr TResText ProgressStatus{QT_TRANSLATE_NOOP("ResStr", "Status=")};
inline constexpr TResText ProgressBatch{QT_TRANSLATE_NOOP("ResStr", "Batch=")};
inline constexpr TResText ProgressEstimatedTime{QT_TRANSLATE_NOOP("ResStr", "Estimated time: ")};
inline constexpr TResText ProgressWorkingOn{QT_TRANSLATE_NOOP("ResStr", "Working on ")};
inline constexpr TResText ProgressInputFormat{QT_TRANSLATE_NOOP("ResStr", "Inputformat: ")};
inline constexpr TResText ProgressOutputFormat{QT_TRANSLATE_NOOP("ResStr", "Outputformat: ")};
inline constexpr TResText ProgressCompletedIn{QT_TRANSLATE_NOOP("ResStr", "Completed in ")};
inline constexpr TResText ProgressBatchDone{QT_TRANSLATE_NOOP("ResStr", "Batch done")};
inline constexpr TResText ProgressEncodingFinished{QT_TRANSLATE_NOOP("ResStr", "Encoding finished")};
// Progress window, tray, log window and shutdown countdown.
inline constexpr TResText ProgressCaption{QT_TRANSLATE_NOOP("ResStr", "Encoding in progress")};
inline constexpr TResText ProgressShutdownWhenDone{QT_TRANSLATE_NOOP("ResStr", "Shutdown computer when done")};
inline constexpr TResText ProgressCancel{QT_TRANSLATE_NOOP("ResStr", "Cancel")};
inline constexpr TResText ProgressTrayButtonHint{QT_TRANSLATE_NOOP("ResStr", "Hide in the tray")};
inline constexpr TResText ReallyAbortEncoding{QT_TRANSLATE_NOOP("ResStr", "Really abort encoding?")};
inline constexpr TResText TrayInitialHint{QT_TRANSLATE_NOOP("ResStr", "Encoding in progress")};
inline constexpr TResText TrayShow{QT_TRANSLATE_NOOP("ResStr", "Show")};
inline constexpr TResText TrayStopEncodingDesign{QT_TRANSLATE_NOOP("ResStr", "Stop Encoding")};
inline constexpr TResText TrayStopEncoding{QT_TRANSLATE_NOOP("ResStr", "Stop encoding")};
inline constexpr TResText TrayExitProgram{QT_TRANSLATE_NOOP("ResStr", "Exit Tonewright")};
inline constexpr TResText LogCaption{QT_TRANSLATE_NOOP("ResStr", "Tonewright Log")};
inline constexpr TResText LogOK{QT_TRANSLATE_NOOP("ResStr", "&OK")};
inline constexpr TResText ShutdownCaption{QT_TRANSLATE_NOOP("ResStr", "Shutdown")};
inline constexpr TResText ShutdownWarning{QT_TRANSLATE_NOOP("ResStr", "Warning!")};
inline constexpr TResText ShutdownText{QT_TRANSLATE_NOOP("ResStr", "If you don't press cancel now, \nTonewright will shutdown \nthe computer.")};
inline constexpr TResText ShutdownTimeLeft{QT_TRANSLATE_NOOP("ResStr", "Time left:")};
inline constexpr TResText ShutdownCancel{QT_TRANSLATE_NOOP("ResStr", "&Cancel")};
// The system refused to power off (logind's or polkit's words after it).
inline constexpr TResText ShutdownRefused{QT_TRANSLATE_NOOP("ResStr", "The computer could not be switched off:\n%1")};

// --- options dialog ---
inline constexpr TResText OptionsCaption{QT_TRANSLATE_NOOP("ResStr", "Options")};
inline constexpr TResText OptionsBitrate{QT_TRANSLATE_NOOP("ResStr", "Bitrate")};
inline constexpr TResText OptionsCurrentBitrate{QT_TRANSLATE_NOOP("ResStr", "Current bitrate:")};
inline constexpr TResText OptionsBitrateValue{QT_TRANSLATE_NOOP("ResStr", "%1 kBit")};
inline constexpr TResText OptionsConstantBitrate{QT_TRANSLATE_NOOP("ResStr", "Constant bitrate")};
inline constexpr TResText OptionsVariableBitrate{QT_TRANSLATE_NOOP("ResStr", "Variable bitrate")};
inline constexpr TResText OptionsCurrentVbr{QT_TRANSLATE_NOOP("ResStr", "Current level:")};
inline constexpr TResText OptionsVbrValue{QT_TRANSLATE_NOOP("ResStr", "V%1, about %2 kBit")};
inline constexpr TResText OptionsPoorQuality{QT_TRANSLATE_NOOP("ResStr", "poor quality")};
inline constexpr TResText OptionsGoodQuality{QT_TRANSLATE_NOOP("ResStr", "good quality")};
inline constexpr TResText OptionsSmallFile{QT_TRANSLATE_NOOP("ResStr", "small file")};
inline constexpr TResText OptionsBigFile{QT_TRANSLATE_NOOP("ResStr", "big file")};
inline constexpr TResText OptionsPriority{QT_TRANSLATE_NOOP("ResStr", "Priority")};
inline constexpr TResText OptionsCurrentPriority{QT_TRANSLATE_NOOP("ResStr", "Current priority:")};
inline constexpr TResText OptionsSlower{QT_TRANSLATE_NOOP("ResStr", "slower")};
inline constexpr TResText OptionsFaster{QT_TRANSLATE_NOOP("ResStr", "faster")};
inline constexpr TResText OptionsDoesntInterfere{QT_TRANSLATE_NOOP("ResStr", "doesn't interfer")};
inline constexpr TResText OptionsInterferes{QT_TRANSLATE_NOOP("ResStr", "interferes")};
inline constexpr TResText OptionsOptions{QT_TRANSLATE_NOOP("ResStr", "Options")};
inline constexpr TResText OptionsMono{QT_TRANSLATE_NOOP("ResStr", "Generate Mono MP3")};
inline constexpr TResText OptionsCrc{QT_TRANSLATE_NOOP("ResStr", "Include CRC-Checksums")};
inline constexpr TResText OptionsDelete{QT_TRANSLATE_NOOP("ResStr", "Delete WAV file")};
inline constexpr TResText OptionsFlags{QT_TRANSLATE_NOOP("ResStr", "Flags")};
inline constexpr TResText OptionsOriginal{QT_TRANSLATE_NOOP("ResStr", "Original")};
inline constexpr TResText OptionsCopy{QT_TRANSLATE_NOOP("ResStr", "Copy")};
inline constexpr TResText OptionsPrivate{QT_TRANSLATE_NOOP("ResStr", "Private")};
inline constexpr TResText OptionsCopyright{QT_TRANSLATE_NOOP("ResStr", "Copyright")};
inline const QString OptionsBladeEnc = QStringLiteral("BladeEnc");
inline constexpr TResText OptionsOK{QT_TRANSLATE_NOOP("ResStr", "OK")};
inline constexpr TResText OptionsCancel{QT_TRANSLATE_NOOP("ResStr", "Cancel")};
inline constexpr TResText OptionsBrowse{QT_TRANSLATE_NOOP("ResStr", "Browse for BladeEnc (Ctrl+Enter)")};
inline constexpr TResText OptionsBrowseTitle{QT_TRANSLATE_NOOP("ResStr", "Browse for BladeEnc")};
// The encoder has no extension here; matched without regard to case by the file dialog.
inline constexpr TResText OptionsBrowseFilter{QT_TRANSLATE_NOOP("ResStr", "BladeEnc|BladeEnc|All files|*")};
inline constexpr TResText OptionsNotBladeEnc{QT_TRANSLATE_NOOP("ResStr",
    "The file you've selected isn't named \"BladeEnc\".\r\nAre you sure that you've selected the right file?")};
inline constexpr TResText InvalidFileName{QT_TRANSLATE_NOOP("ResStr", "Invalid file name - %1")};
// The output group; each mnemonic is unique in the dialog.
inline constexpr TResText OptionsOutput{QT_TRANSLATE_NOOP("ResStr", "Output")};
inline constexpr TResText OptionsSaveMp3Files{QT_TRANSLATE_NOOP("ResStr", "Save MP3 files")};
inline constexpr TResText OptionsBesideSources{QT_TRANSLATE_NOOP("ResStr", "&beside their sources")};
inline constexpr TResText OptionsInFolder{QT_TRANSLATE_NOOP("ResStr", "in this &folder:")};
inline constexpr TResText OptionsOutputBrowse{QT_TRANSLATE_NOOP("ResStr", "Bro&wse...")};
inline constexpr TResText OptionsOutputBrowseTitle{QT_TRANSLATE_NOOP("ResStr", "Choose the folder for the MP3 files")};
inline constexpr TResText OptionsKeepSubfolders{QT_TRANSLATE_NOOP("ResStr", "&Keep the source folders below it")};
inline constexpr TResText OptionsSkipExisting{QT_TRANSLATE_NOOP("ResStr", "&Skip files whose MP3 already exists")};
// Why a chosen output folder is refused at OK (the folder, and for the last two the part that fails).
inline constexpr TResText OutputFolderEmpty{QT_TRANSLATE_NOOP("ResStr", "Please enter the folder the MP3 files are saved in.")};
inline constexpr TResText OutputFolderNotAbsolute{QT_TRANSLATE_NOOP("ResStr", "The output folder must be a full path from /: %1")};
inline constexpr TResText OutputFolderBlocked{QT_TRANSLATE_NOOP("ResStr", "The output folder %1 cannot be created: %2 is not a folder.")};
inline constexpr TResText OutputFolderNotWritable{QT_TRANSLATE_NOOP("ResStr", "The output folder %1 cannot be created or written: %2 is not writable.")};

// --- installed program: the sleep lock during a batch, the tray's word at its end ---
inline constexpr TResText InhibitReasonOneFile{QT_TRANSLATE_NOOP("ResStr", "Encoding 1 file")};
inline constexpr TResText InhibitReasonFiles{QT_TRANSLATE_NOOP("ResStr", "Encoding %1 files")};
inline constexpr TResText TrayBatchFinished{QT_TRANSLATE_NOOP("ResStr", "Tonewright: encoding finished")};
inline constexpr TResText TrayBatchFinishedWithErrors{QT_TRANSLATE_NOOP("ResStr", "Tonewright: encoding finished with errors")};

// --- the command line (standard output and standard error, before any window) ---
inline constexpr TResText CommandLineHelp{QT_TRANSLATE_NOOP("ResStr",
    "Usage: tonewright [option...] [--] [file|folder...]\n"
    "A desktop front-end for the BladeEnc MP3 encoder. Audio files given as arguments\n"
    "join the list, a folder with every audio file under it; a Tonewright already\n"
    "running takes them instead.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and the licence and exit\n"
    "      --         every later argument is a file\n"
    "\n"
    "Qt's own options, such as -platform or -style, go on to Qt.\n"
    "See tonewright(1) for the files and the environment.\n")};
inline constexpr TResText CommandLineVersion{QT_TRANSLATE_NOOP("ResStr",
    "Tonewright %1\n"
    "Copyright (C) 2026 The Tonewright developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n")};
inline constexpr TResText CommandLineUnknownOption{
    QT_TRANSLATE_NOOP("ResStr", "tonewright: unknown option %1 (tonewright --help lists the options)")};
inline constexpr TResText CommandLineMissingValue{
    QT_TRANSLATE_NOOP("ResStr", "tonewright: option %1 needs a value (tonewright --help lists the options)")};

// --- update check ---
// A line break inside a message is "\n" here: the boxes of this platform break lines there.
inline const QString CurrentVersion = QStringLiteral("1.2.0");
inline constexpr TResText WfiMissingHomeUrlCaption{QT_TRANSLATE_NOOP("ResStr", "Missing Home URL")};
inline constexpr TResText WfiMissingHomeUrl{
    QT_TRANSLATE_NOOP("ResStr", "Can not retrieve version information\nbecause no home url was provided.")};
inline constexpr TResText WfiMissingTagsCaption{QT_TRANSLATE_NOOP("ResStr", "Missing Tag Information")};
inline constexpr TResText WfiMissingTags{
    QT_TRANSLATE_NOOP("ResStr", "Can not retrieve version information\nbecause no tag information was provided.")};
inline constexpr TResText WfiConnectionErrorCaption{QT_TRANSLATE_NOOP("ResStr", "Connection Error")};
inline constexpr TResText WfiConnectionError{
    QT_TRANSLATE_NOOP("ResStr", "Could not retrieve version information from the Internet.\nError: \"%1.\"")};
inline constexpr TResText WfiConnectionErrorUnknown{
    QT_TRANSLATE_NOOP("ResStr", "Could not retrieve version information from the Internet.\nError unknown.")};
inline constexpr TResText WfiNoUpdateCaption{QT_TRANSLATE_NOOP("ResStr", "No Update Found")};
inline constexpr TResText WfiNoUpdate{QT_TRANSLATE_NOOP("ResStr", "There is no update available.")};
inline constexpr TResText WfiUpdateAvailableCaption{QT_TRANSLATE_NOOP("ResStr", "Update Available")};
inline constexpr TResText WfiVersionText{QT_TRANSLATE_NOOP("ResStr", "Current version is %1.\nVersion %2 is available.")};
inline constexpr TResText WfiDownloadQuestion{QT_TRANSLATE_NOOP("ResStr", "Download the update?")};
inline constexpr TResText WfiReadMeQuestion{QT_TRANSLATE_NOOP("ResStr", "Would you like to view the ReadMe file?")};
inline constexpr TResText WfiDownloadErrorCaption{QT_TRANSLATE_NOOP("ResStr", "Download Error")};
inline constexpr TResText WfiDownloadError{QT_TRANSLATE_NOOP("ResStr", "Error occurred while downloading update.\nError: \"%1.\"")};
inline constexpr TResText WfiDownloadErrorUnknown{QT_TRANSLATE_NOOP("ResStr", "Error occurred while downloading update.\nError unknown.")};
inline constexpr TResText WfiInstallCaption{QT_TRANSLATE_NOOP("ResStr", "Install Update")};
inline constexpr TResText WfiInstallQuestion{QT_TRANSLATE_NOOP("ResStr", "Do you want to install the update now?")};
inline constexpr TResText WfiInstallAndClose{QT_TRANSLATE_NOOP("ResStr", "Do you want to install the update now?\nThis will close %1.")};
inline constexpr TResText WfiCannotStart{QT_TRANSLATE_NOOP("ResStr", "Can not start program.")};
inline constexpr TResText WfiFileExistsCaption{QT_TRANSLATE_NOOP("ResStr", "File Exists")};
inline constexpr TResText WfiFileExists{QT_TRANSLATE_NOOP("ResStr", "The file %1 already exists.\nDo you want to overwrite it?")};
inline constexpr TResText WfiExceptionCaption{QT_TRANSLATE_NOOP("ResStr", "Exception")};
inline constexpr TResText WfiException{QT_TRANSLATE_NOOP("ResStr", "Error retrieving update information.\nException: %1.")};
inline constexpr TResText WfiCannotCreateFile{QT_TRANSLATE_NOOP("ResStr", "Cannot create file %1: %2")};
inline constexpr TResText WfiTooManyRedirects{QT_TRANSLATE_NOOP("ResStr", "Too many redirections")};
inline constexpr TResText WfiNoStatus{QT_TRANSLATE_NOOP("ResStr", "No valid response from the server")};
inline constexpr TResText WfiDownloadNotSecure{QT_TRANSLATE_NOOP("ResStr", "The update is not offered over a secure (https) connection")};
inline constexpr TResText WfiBadSha256{QT_TRANSLATE_NOOP("ResStr", "The page's SHA-256 of the update is not valid")};
inline constexpr TResText WfiUpdateFromPackageManager{
    QT_TRANSLATE_NOOP("ResStr", "This copy was installed from a package: please update it with your package manager.\n"
                   "The product page opens in your browser.")};
inline constexpr TResText WfiSaveFilter{QT_TRANSLATE_NOOP("ResStr", "All Files|*")};
inline constexpr TResText WfiWaitCaption{QT_TRANSLATE_NOOP("ResStr", "Please Wait")};
inline constexpr TResText WfiCheckingForUpdate{QT_TRANSLATE_NOOP("ResStr", "Checking For Update...")};
inline constexpr TResText WfiRetrievingReadMe{QT_TRANSLATE_NOOP("ResStr", "Retrieving ReadMe...")};
inline constexpr TResText WfiProgressCaption{QT_TRANSLATE_NOOP("ResStr", "Download Progress")};
inline constexpr TResText WfiCancel{QT_TRANSLATE_NOOP("ResStr", "&Cancel")};
inline constexpr TResText WfiDownloadingUpdate{QT_TRANSLATE_NOOP("ResStr", "Downloading Update")};
inline constexpr TResText WfiDownloadingReadMe{QT_TRANSLATE_NOOP("ResStr", "Downloading ReadMe")};
inline constexpr TResText WfiBytesOfReceived{QT_TRANSLATE_NOOP("ResStr", "%1 of %2 bytes received.")};
inline constexpr TResText WfiBytesReceived{QT_TRANSLATE_NOOP("ResStr", "%1 bytes received.")};
inline constexpr TResText WfiReadMeCaption{QT_TRANSLATE_NOOP("ResStr", "Read Me")};
inline constexpr TResText WfiOk{QT_TRANSLATE_NOOP("ResStr", "&Ok")};

// --- about box ---
inline constexpr TResText AboutCaption{QT_TRANSLATE_NOOP("ResStr", "About Tonewright")};
inline constexpr TResText AboutOK{QT_TRANSLATE_NOOP("ResStr", "OK")};
inline constexpr TResText AboutCredits{QT_TRANSLATE_NOOP("ResStr", "Credits")};

} // namespace ResStr
