#pragma once
// Every text the user sees, in one table; QtCore only, so the rules in core take their texts from
// it too. Fixed literals elsewhere are kept for encoder keywords, file names and formats only.
// Each area keeps its texts in its own block below.
#include <QString>

namespace ResStr {

// --- message box captions and the default error display ---
inline const QString CaptionHint = QStringLiteral("Hint");
inline const QString CaptionError = QStringLiteral("Error");
inline const QString CaptionQuestion = QStringLiteral("Question");
inline const QString UnknownError = QStringLiteral("An unknown error occurred.");

// --- program start, file list, main window, settings ---
inline const QString AppTitle = QStringLiteral("Tonewright");
inline const QString ProductCaption = QStringLiteral("Tonewright 1.2");
inline const QString ColumnFile = QStringLiteral("File");
inline const QString ColumnFolder = QStringLiteral("Folder");
inline const QString ColumnBytes = QStringLiteral("Bytes");
inline const QString ColumnDate = QStringLiteral("Date");
inline const QString ColumnStatus = QStringLiteral("Status");
// The Status column: each file's part in the last batch.
inline const QString FileStatusWaiting = QStringLiteral("Waiting");
inline const QString FileStatusEncoding = QStringLiteral("Encoding %1%");
inline const QString FileStatusDone = QStringLiteral("Done");
inline const QString FileStatusFailed = QStringLiteral("Failed");
inline const QString FileStatusSkipped = QStringLiteral("Skipped");
inline const QString FileStatusStopped = QStringLiteral("Stopped");
inline const QString NoFiles = QStringLiteral("No files");
inline const QString OneFile = QStringLiteral("One file");
inline const QString SomeFiles = QStringLiteral("%1 files");
// "All Files" is "*", not "*.*": on Linux many files have no dot in their names. Every file goes
// to the encoder, whatever its kind: one that reads only WAV and AIFF says so in the log.
inline const QString ChooseFilesFilter = QStringLiteral(
    "Audio-Files|*.wav;*.aif;*.aiff;*.flac;*.ogg;*.oga;*.opus|Wave-Files (*.wav)|*.wav|"
    "AIFF-Files (*.aif, *.aiff)|*.aif;*.aiff|FLAC-Files (*.flac)|*.flac|"
    "Ogg-Vorbis-Files (*.ogg, *.oga)|*.ogg;*.oga|Opus-Files (*.opus)|*.opus|All Files|*");
inline const QString UnableToWrite = QStringLiteral("Unable to write to %1");
inline const QString IniValueHasLineBreak = QStringLiteral("The setting %1/%2 cannot hold a line break.");
inline const QString PriorityIdle = QStringLiteral("Idle");
inline const QString PriorityLowest = QStringLiteral("Lowest");
inline const QString PriorityLower = QStringLiteral("Lower");
inline const QString PriorityNormal = QStringLiteral("Normal");
inline const QString PriorityHigher = QStringLiteral("Higher");
inline const QString PriorityHighest = QStringLiteral("Highest");
inline const QString ActionChooseFilesCaption = QStringLiteral("Ch&oose Files");
inline const QString ActionChooseFilesHint = QStringLiteral("Add files to the list");
inline const QString ActionEncodeCaption = QStringLiteral("&Encode");
inline const QString ActionEncodeHint = QStringLiteral("Starts encoding the listed files");
inline const QString ActionDeleteCaption = QStringLiteral("&Delete");
inline const QString ActionDeleteHint = QStringLiteral("Delete selected files from list");
inline const QString ActionClearListCaption = QStringLiteral("&Clear List");
inline const QString ActionClearListHint = QStringLiteral("Deletes all entries of the list");
inline const QString ActionClearFinishedCaption = QStringLiteral("Clear &Finished");
inline const QString ActionClearFinishedHint = QStringLiteral("Deletes the files encoded by the last batch from the list");
inline const QString ActionOptionsCaption = QStringLiteral("&Options");
inline const QString ActionOptionsHint = QStringLiteral("Shows options dialog");
inline const QString ActionAboutCaption = QStringLiteral("&About");
inline const QString ActionAboutHint = QStringLiteral("Shows information about Tonewright");
inline const QString ActionToolbarCaption = QStringLiteral("&Show Toolbar");
inline const QString ActionToolbarHint = QStringLiteral("Hides of shows toolbar");
inline const QString ActionToolbarIconsCaption = QStringLiteral("&Icons");
inline const QString ActionToolbarIconsHint = QStringLiteral("Shows icons on toolbar");
inline const QString ActionToolbarCaptionsCaption = QStringLiteral("&Captions");
inline const QString ActionToolbarCaptionsHint = QStringLiteral("Shows captions on toolbar");
inline const QString ActionToolbarBothCaption = QStringLiteral("&Both");
inline const QString ActionToolbarBothHint = QStringLiteral("Show Captions and Icons on Toolbar");
inline const QString ActionViewLogCaption = QStringLiteral("Last &Log");
inline const QString ActionViewLogHint = QStringLiteral("View contents of log of last run");
inline const QString MenuFileCaption = QStringLiteral("&File");
inline const QString MenuOpenFilelistCaption = QStringLiteral("Open filelist");
inline const QString MenuExitCaption = QStringLiteral("E&xit");
inline const QString MenuEditCaption = QStringLiteral("&Edit");
inline const QString MenuActionsCaption = QStringLiteral("&Actions");
inline const QString MenuQuickEncodeCaption = QStringLiteral("QuickEncode");
inline const QString MenuViewCaption = QStringLiteral("&View");
inline const QString MenuToolbarCaption = QStringLiteral("&Toolbar");
inline const QString MenuDisplayCaption = QStringLiteral("&Display");
inline const QString MenuHelpCaption = QStringLiteral("&Help");
inline const QString MenuContentsCaption = QStringLiteral("Contents");
inline const QString MenuKeywordSearchCaption = QStringLiteral("Keyword search");
inline const QString MenuCheckForUpdateCaption = QStringLiteral("&Check for update");
inline const QString MenuBladeEncHomepageCaption = QStringLiteral("&BladeEnc Homepage");
inline const QString MenuTonewrightHomepageCaption = QStringLiteral("&Tonewright Homepage");
inline const QString BladeEncHomepageUrl = QStringLiteral("http://bladeenc.mp3.no/");
inline const QString TonewrightHomepageUrl = QStringLiteral("https://www.tonewright.org/");

// --- batch run, output interpreter, progress window, tray, log, shutdown ---
// Batch run and output interpreter. The display prefixes are shared with the progress window.
inline const QString EncoderNotFound = QStringLiteral(
    "The file \"%1\" couldn't be found.\r\nPlease go to the options and specify the correct location of BladeEnc.");
inline const QString NoFilesToEncode = QStringLiteral("There are no files to encode!");
inline const QString ErrorViewLog = QStringLiteral("At least one error occurred. Do you want to view the log?");
inline const QString CannotCreateFile = QStringLiteral("Cannot create file %1");
inline const QString LogErrorPrefix = QStringLiteral("Error: ");
// The last line of a batch the user stopped: files completed, files in the list.
inline const QString LogStoppedByUser = QStringLiteral("Stopped by the user after %1 of %2 files.");
// After LogErrorPrefix, when a run the user did not stop ended badly.
inline const QString EncoderEndedBySignal = QStringLiteral("the encoder ended with signal %1 after %2 of %3 files");
inline const QString EncoderEndedWithStatus = QStringLiteral("the encoder ended with exit status %1 after %2 of %3 files");
inline const QString EncoderEndedEarly = QStringLiteral("the encoder ended after %1 of %2 files");
inline const QString TrayStarting = QStringLiteral("Starting...");
inline const QString TrayFinished = QStringLiteral("Finished encoding");
inline const QString TrayProgressHint = QStringLiteral("%1: %2%, Batch: %3%");
inline const QString ProgressStatus = QStringLiteral("Status=");
inline const QString ProgressBatch = QStringLiteral("Batch=");
inline const QString ProgressEstimatedTime = QStringLiteral("Estimated time: ");
inline const QString ProgressWorkingOn = QStringLiteral("Working on ");
inline const QString ProgressInputFormat = QStringLiteral("Inputformat: ");
inline const QString ProgressOutputFormat = QStringLiteral("Outputformat: ");
inline const QString ProgressCompletedIn = QStringLiteral("Completed in ");
inline const QString ProgressBatchDone = QStringLiteral("Batch done");
inline const QString ProgressEncodingFinished = QStringLiteral("Encoding finished");
// Progress window, tray, log window and shutdown countdown.
inline const QString ProgressCaption = QStringLiteral("Encoding in progress");
inline const QString ProgressShutdownWhenDone = QStringLiteral("Shutdown computer when done");
inline const QString ProgressCancel = QStringLiteral("Cancel");
inline const QString ProgressTrayButtonHint = QStringLiteral("Hide in the tray");
inline const QString ReallyAbortEncoding = QStringLiteral("Really abort encoding?");
inline const QString TrayInitialHint = QStringLiteral("Encoding in progress");
inline const QString TrayShow = QStringLiteral("Show");
inline const QString TrayStopEncodingDesign = QStringLiteral("Stop Encoding");
inline const QString TrayStopEncoding = QStringLiteral("Stop encoding");
inline const QString TrayExitProgram = QStringLiteral("Exit Tonewright");
inline const QString LogCaption = QStringLiteral("Tonewright Log");
inline const QString LogOK = QStringLiteral("&OK");
inline const QString ShutdownCaption = QStringLiteral("Shutdown");
inline const QString ShutdownWarning = QStringLiteral("Warning!");
inline const QString ShutdownText = QStringLiteral("If you don't press cancel now, \nTonewright will shutdown \nthe computer.");
inline const QString ShutdownTimeLeft = QStringLiteral("Time left:");
inline const QString ShutdownCancel = QStringLiteral("&Cancel");
// The system refused to power off (logind's or polkit's words after it).
inline const QString ShutdownRefused = QStringLiteral("The computer could not be switched off:\n%1");

// --- options dialog ---
inline const QString OptionsCaption = QStringLiteral("Options");
inline const QString OptionsBitrate = QStringLiteral("Bitrate");
inline const QString OptionsCurrentBitrate = QStringLiteral("Current bitrate:");
inline const QString OptionsBitrateValue = QStringLiteral("%1 kBit");
inline const QString OptionsConstantBitrate = QStringLiteral("Constant bitrate");
inline const QString OptionsVariableBitrate = QStringLiteral("Variable bitrate");
inline const QString OptionsCurrentVbr = QStringLiteral("Current level:");
inline const QString OptionsVbrValue = QStringLiteral("V%1, about %2 kBit");
inline const QString OptionsPoorQuality = QStringLiteral("poor quality");
inline const QString OptionsGoodQuality = QStringLiteral("good quality");
inline const QString OptionsSmallFile = QStringLiteral("small file");
inline const QString OptionsBigFile = QStringLiteral("big file");
inline const QString OptionsPriority = QStringLiteral("Priority");
inline const QString OptionsCurrentPriority = QStringLiteral("Current priority:");
inline const QString OptionsSlower = QStringLiteral("slower");
inline const QString OptionsFaster = QStringLiteral("faster");
inline const QString OptionsDoesntInterfere = QStringLiteral("doesn't interfer");
inline const QString OptionsInterferes = QStringLiteral("interferes");
inline const QString OptionsOptions = QStringLiteral("Options");
inline const QString OptionsMono = QStringLiteral("Generate Mono MP3");
inline const QString OptionsCrc = QStringLiteral("Include CRC-Checksums");
inline const QString OptionsDelete = QStringLiteral("Delete WAV file");
inline const QString OptionsFlags = QStringLiteral("Flags");
inline const QString OptionsOriginal = QStringLiteral("Original");
inline const QString OptionsCopy = QStringLiteral("Copy");
inline const QString OptionsPrivate = QStringLiteral("Private");
inline const QString OptionsCopyright = QStringLiteral("Copyright");
inline const QString OptionsBladeEnc = QStringLiteral("BladeEnc");
inline const QString OptionsOK = QStringLiteral("OK");
inline const QString OptionsCancel = QStringLiteral("Cancel");
inline const QString OptionsBrowse = QStringLiteral("Browse for BladeEnc (Ctrl+Enter)");
inline const QString OptionsBrowseTitle = QStringLiteral("Browse for BladeEnc");
// The encoder has no extension here; matched without regard to case by the file dialog.
inline const QString OptionsBrowseFilter = QStringLiteral("BladeEnc|BladeEnc|All files|*");
inline const QString OptionsNotBladeEnc = QStringLiteral(
    "The file you've selected isn't named \"BladeEnc\".\r\nAre you sure that you've selected the right file?");
inline const QString InvalidFileName = QStringLiteral("Invalid file name - %1");

// --- installed program: the sleep lock during a batch, the tray's word at its end ---
inline const QString InhibitReasonOneFile = QStringLiteral("Encoding 1 file");
inline const QString InhibitReasonFiles = QStringLiteral("Encoding %1 files");
inline const QString TrayBatchFinished = QStringLiteral("Tonewright: encoding finished");
inline const QString TrayBatchFinishedWithErrors = QStringLiteral("Tonewright: encoding finished with errors");

// --- the command line (standard output and standard error, before any window) ---
inline const QString CommandLineHelp = QStringLiteral(
    "Usage: tonewright [option...] [--] [file...]\n"
    "A desktop front-end for the BladeEnc MP3 encoder. WAV and AIFF files given as\n"
    "arguments join the list; a Tonewright already running takes them instead.\n"
    "\n"
    "  -h, --help     print this help and exit\n"
    "      --version  print the version and the licence and exit\n"
    "      --         every later argument is a file\n"
    "\n"
    "Qt's own options, such as -platform or -style, go on to Qt.\n"
    "See tonewright(1) for the files and the environment.\n");
inline const QString CommandLineVersion = QStringLiteral(
    "Tonewright %1\n"
    "Copyright (C) 2026 The Tonewright developers\n"
    "License GPLv3+: GNU GPL version 3 or later <https://gnu.org/licenses/gpl.html>.\n"
    "This is free software: you are free to change and redistribute it.\n"
    "There is NO WARRANTY, to the extent permitted by law.\n");
inline const QString CommandLineUnknownOption =
    QStringLiteral("tonewright: unknown option %1 (tonewright --help lists the options)");
inline const QString CommandLineMissingValue =
    QStringLiteral("tonewright: option %1 needs a value (tonewright --help lists the options)");

// --- update check ---
// A line break inside a message is "\n" here: the boxes of this platform break lines there.
inline const QString CurrentVersion = QStringLiteral("1.2.0");
inline const QString WfiMissingHomeUrlCaption = QStringLiteral("Missing Home URL");
inline const QString WfiMissingHomeUrl =
    QStringLiteral("Can not retrieve version information\nbecause no home url was provided.");
inline const QString WfiMissingTagsCaption = QStringLiteral("Missing Tag Information");
inline const QString WfiMissingTags =
    QStringLiteral("Can not retrieve version information\nbecause no tag information was provided.");
inline const QString WfiConnectionErrorCaption = QStringLiteral("Connection Error");
inline const QString WfiConnectionError =
    QStringLiteral("Could not retrieve version information from the Internet.\nError: \"%1.\"");
inline const QString WfiConnectionErrorUnknown =
    QStringLiteral("Could not retrieve version information from the Internet.\nError unknown.");
inline const QString WfiNoUpdateCaption = QStringLiteral("No Update Found");
inline const QString WfiNoUpdate = QStringLiteral("There is no update available.");
inline const QString WfiUpdateAvailableCaption = QStringLiteral("Update Available");
inline const QString WfiVersionText = QStringLiteral("Current version is %1.\nVersion %2 is available.");
inline const QString WfiDownloadQuestion = QStringLiteral("Download the update?");
inline const QString WfiReadMeQuestion = QStringLiteral("Would you like to view the ReadMe file?");
inline const QString WfiDownloadErrorCaption = QStringLiteral("Download Error");
inline const QString WfiDownloadError = QStringLiteral("Error occurred while downloading update.\nError: \"%1.\"");
inline const QString WfiDownloadErrorUnknown = QStringLiteral("Error occurred while downloading update.\nError unknown.");
inline const QString WfiInstallCaption = QStringLiteral("Install Update");
inline const QString WfiInstallQuestion = QStringLiteral("Do you want to install the update now?");
inline const QString WfiInstallAndClose = QStringLiteral("Do you want to install the update now?\nThis will close %1.");
inline const QString WfiCannotStart = QStringLiteral("Can not start program.");
inline const QString WfiFileExistsCaption = QStringLiteral("File Exists");
inline const QString WfiFileExists = QStringLiteral("The file %1 already exists.\nDo you want to overwrite it?");
inline const QString WfiExceptionCaption = QStringLiteral("Exception");
inline const QString WfiException = QStringLiteral("Error retrieving update information.\nException: %1.");
inline const QString WfiCannotCreateFile = QStringLiteral("Cannot create file %1: %2");
inline const QString WfiTooManyRedirects = QStringLiteral("Too many redirections");
inline const QString WfiNoStatus = QStringLiteral("No valid response from the server");
inline const QString WfiDownloadNotSecure = QStringLiteral("The update is not offered over a secure (https) connection");
inline const QString WfiBadSha256 = QStringLiteral("The page's SHA-256 of the update is not valid");
inline const QString WfiUpdateFromPackageManager =
    QStringLiteral("This copy was installed from a package: please update it with your package manager.\n"
                   "The product page opens in your browser.");
inline const QString WfiSaveFilter = QStringLiteral("All Files|*");
inline const QString WfiWaitCaption = QStringLiteral("Please Wait");
inline const QString WfiCheckingForUpdate = QStringLiteral("Checking For Update...");
inline const QString WfiRetrievingReadMe = QStringLiteral("Retrieving ReadMe...");
inline const QString WfiProgressCaption = QStringLiteral("Download Progress");
inline const QString WfiCancel = QStringLiteral("&Cancel");
inline const QString WfiDownloadingUpdate = QStringLiteral("Downloading Update");
inline const QString WfiDownloadingReadMe = QStringLiteral("Downloading ReadMe");
inline const QString WfiBytesOfReceived = QStringLiteral("%1 of %2 bytes received.");
inline const QString WfiBytesReceived = QStringLiteral("%1 bytes received.");
inline const QString WfiReadMeCaption = QStringLiteral("Read Me");
inline const QString WfiOk = QStringLiteral("&Ok");

// --- about box ---
inline const QString AboutCaption = QStringLiteral("About Tonewright");
inline const QString AboutOK = QStringLiteral("OK");
inline const QString AboutCredits = QStringLiteral("Credits");

} // namespace ResStr
