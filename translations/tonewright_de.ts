<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>ResStr</name>
    <message>
        <source>Hint</source>
        <translation>Hinweis</translation>
    </message>
    <message>
        <source>Error</source>
        <translation>Fehler</translation>
    </message>
    <message>
        <source>Question</source>
        <translation>Frage</translation>
    </message>
    <message>
        <source>An unknown error occurred.</source>
        <translation>Ein unbekannter Fehler ist aufgetreten.</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
    <message>
        <source>Bytes</source>
        <translation>Bytes</translation>
    </message>
    <message>
        <source>Date</source>
        <translation>Datum</translation>
    </message>
    <message>
        <source>No files</source>
        <translation>Keine Dateien</translation>
    </message>
    <message>
        <source>One file</source>
        <translation>Eine Datei</translation>
    </message>
    <message>
        <source>%1 files</source>
        <translation>%1 Dateien</translation>
    </message>
    <message>
        <source>Audio-Files|*.wav;*.aif;*.aiff;*.flac;*.ogg;*.oga;*.opus|Wave-Files (*.wav)|*.wav|AIFF-Files (*.aif, *.aiff)|*.aif;*.aiff|FLAC-Files (*.flac)|*.flac|Ogg-Vorbis-Files (*.ogg, *.oga)|*.ogg;*.oga|Opus-Files (*.opus)|*.opus|All Files|*</source>
        <translation>Audio-Dateien|*.wav;*.aif;*.aiff;*.flac;*.ogg;*.oga;*.opus|Wave-Dateien (*.wav)|*.wav|AIFF-Dateien (*.aif, *.aiff)|*.aif;*.aiff|FLAC-Dateien (*.flac)|*.flac|Ogg-Vorbis-Dateien (*.ogg, *.oga)|*.ogg;*.oga|Opus-Dateien (*.opus)|*.opus|Alle Dateien|*</translation>
    </message>
    <message>
        <source>Unable to write to %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>The setting %1/%2 cannot hold a line break.</source>
        <translation>Die Einstellung %1/%2 darf keinen Zeilenumbruch enthalten.</translation>
    </message>
    <message>
        <source>Idle</source>
        <translation>Leerlauf</translation>
    </message>
    <message>
        <source>Lowest</source>
        <translation>Niedrigste</translation>
    </message>
    <message>
        <source>Lower</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <source>Normal</source>
        <translation>Normal</translation>
    </message>
    <message>
        <source>Higher</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <source>Highest</source>
        <translation>Höchste</translation>
    </message>
    <message>
        <source>Ch&amp;oose Files</source>
        <translation>Dateien &amp;wählen</translation>
    </message>
    <message>
        <source>Add files to the list</source>
        <translation>Dateien zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>&amp;Encode</source>
        <translation>&amp;Kodieren</translation>
    </message>
    <message>
        <source>Starts encoding the listed files</source>
        <translation>Kodiert die Dateien der Liste</translation>
    </message>
    <message>
        <source>&amp;Delete</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message>
        <source>Delete selected files from list</source>
        <translation>Entfernt die gewählten Dateien aus der Liste</translation>
    </message>
    <message>
        <source>&amp;Clear List</source>
        <translation>Liste &amp;leeren</translation>
    </message>
    <message>
        <source>Deletes all entries of the list</source>
        <translation>Entfernt alle Einträge der Liste</translation>
    </message>
    <message>
        <source>Shows options dialog</source>
        <translation>Zeigt den Optionen-Dialog</translation>
    </message>
    <message>
        <source>&amp;About</source>
        <translation>&amp;Über</translation>
    </message>
    <message>
        <source>Shows information about Tonewright</source>
        <translation>Zeigt Informationen über Tonewright</translation>
    </message>
    <message>
        <source>&amp;Show Toolbar</source>
        <translation>&amp;Werkzeugleiste zeigen</translation>
    </message>
    <message>
        <source>Hides of shows toolbar</source>
        <translation>Blendet die Werkzeugleiste aus oder ein</translation>
    </message>
    <message>
        <source>&amp;Icons</source>
        <translation>&amp;Symbole</translation>
    </message>
    <message>
        <source>Shows icons on toolbar</source>
        <translation>Zeigt Symbole in der Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;Captions</source>
        <translation>&amp;Beschriftungen</translation>
    </message>
    <message>
        <source>Shows captions on toolbar</source>
        <translation>Zeigt Beschriftungen in der Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;Both</source>
        <translation>Bei&amp;des</translation>
    </message>
    <message>
        <source>Show Captions and Icons on Toolbar</source>
        <translation>Zeigt Beschriftungen und Symbole in der Werkzeugleiste</translation>
    </message>
    <message>
        <source>Last &amp;Log</source>
        <translation>Letztes &amp;Protokoll</translation>
    </message>
    <message>
        <source>View contents of log of last run</source>
        <translation>Zeigt das Protokoll des letzten Laufs</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>Open filelist</source>
        <translation>Dateiliste öffnen</translation>
    </message>
    <message>
        <source>E&amp;xit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Actions</source>
        <translation>A&amp;ktionen</translation>
    </message>
    <message>
        <source>QuickEncode</source>
        <translation>Schnellkodierung</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Toolbar</source>
        <translation>&amp;Werkzeugleiste</translation>
    </message>
    <message>
        <source>&amp;Display</source>
        <translation>An&amp;zeige</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Inhalt</translation>
    </message>
    <message>
        <source>Keyword search</source>
        <translation>Stichwortsuche</translation>
    </message>
    <message>
        <source>&amp;Check for update</source>
        <translation>Nach &amp;Aktualisierung suchen</translation>
    </message>
    <message>
        <source>&amp;BladeEnc Homepage</source>
        <translation>&amp;BladeEnc-Webseite</translation>
    </message>
    <message>
        <source>&amp;Tonewright Homepage</source>
        <translation>&amp;Tonewright-Webseite</translation>
    </message>
    <message>
        <source>The file &quot;%1&quot; couldn&apos;t be found.<byte value="xd"/>
Please go to the options and specify the correct location of BladeEnc.</source>
        <translation>Die Datei „%1“ wurde nicht gefunden.<byte value="xd"/>
Bitte geben Sie in den Optionen den richtigen Ort von BladeEnc an.</translation>
    </message>
    <message>
        <source>There are no files to encode!</source>
        <translation>Es gibt keine Dateien zu kodieren!</translation>
    </message>
    <message>
        <source>At least one error occurred. Do you want to view the log?</source>
        <translation>Mindestens ein Fehler ist aufgetreten. Möchten Sie das Protokoll ansehen?</translation>
    </message>
    <message>
        <source>Cannot create file %1</source>
        <translation>Die Datei %1 kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>Error: </source>
        <translation>Fehler: </translation>
    </message>
    <message>
        <source>Stopped by the user after %1 of %2 files.</source>
        <translation>Vom Benutzer nach %1 von %2 Dateien angehalten.</translation>
    </message>
    <message>
        <source>the encoder ended with signal %1 after %2 of %3 files</source>
        <translation>der Kodierer endete mit Signal %1 nach %2 von %3 Dateien</translation>
    </message>
    <message>
        <source>the encoder ended with exit status %1 after %2 of %3 files</source>
        <translation>der Kodierer endete mit Rückgabewert %1 nach %2 von %3 Dateien</translation>
    </message>
    <message>
        <source>the encoder ended after %1 of %2 files</source>
        <translation>der Kodierer endete nach %1 von %2 Dateien</translation>
    </message>
    <message>
        <source>Starting...</source>
        <translation>Starte …</translation>
    </message>
    <message>
        <source>Finished encoding</source>
        <translation>Kodierung beendet</translation>
    </message>
    <message>
        <source>%1: %2%, Batch: %3%</source>
        <translation>%1: %2 %, Stapel: %3 %</translation>
    </message>
    <message>
        <source>Status=</source>
        <translation>Status=</translation>
    </message>
    <message>
        <source>Batch=</source>
        <translation>Stapel=</translation>
    </message>
    <message>
        <source>Estimated time: </source>
        <translation>Geschätzte Zeit: </translation>
    </message>
    <message>
        <source>Working on </source>
        <translation>Bearbeite </translation>
    </message>
    <message>
        <source>Inputformat: </source>
        <translation>Eingabeformat: </translation>
    </message>
    <message>
        <source>Outputformat: </source>
        <translation>Ausgabeformat: </translation>
    </message>
    <message>
        <source>Completed in </source>
        <translation>Fertig in </translation>
    </message>
    <message>
        <source>Batch done</source>
        <translation>Stapel fertig</translation>
    </message>
    <message>
        <source>Encoding finished</source>
        <translation>Kodierung beendet</translation>
    </message>
    <message>
        <source>Encoding in progress</source>
        <translation>Kodierung läuft</translation>
    </message>
    <message>
        <source>Shutdown computer when done</source>
        <translation>Computer danach ausschalten</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message>
        <source>Hide in the tray</source>
        <translation>Im Infobereich verstecken</translation>
    </message>
    <message>
        <source>Really abort encoding?</source>
        <translation>Kodierung wirklich abbrechen?</translation>
    </message>
    <message>
        <source>Show</source>
        <translation>Anzeigen</translation>
    </message>
    <message>
        <source>Stop Encoding</source>
        <translation>Kodierung anhalten</translation>
    </message>
    <message>
        <source>Stop encoding</source>
        <translation>Kodierung anhalten</translation>
    </message>
    <message>
        <source>Exit Tonewright</source>
        <translation>Tonewright beenden</translation>
    </message>
    <message>
        <source>Tonewright Log</source>
        <translation>Tonewright-Protokoll</translation>
    </message>
    <message>
        <source>&amp;OK</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>Shutdown</source>
        <translation>Ausschalten</translation>
    </message>
    <message>
        <source>Warning!</source>
        <translation>Achtung!</translation>
    </message>
    <message>
        <source>If you don&apos;t press cancel now, 
Tonewright will shutdown 
the computer.</source>
        <translation>Wenn Sie jetzt nicht abbrechen, 
schaltet Tonewright den 
Computer aus.</translation>
    </message>
    <message>
        <source>Time left:</source>
        <translation>Verbleibend:</translation>
    </message>
    <message>
        <source>&amp;Cancel</source>
        <translation>&amp;Abbrechen</translation>
    </message>
    <message>
        <source>The computer could not be switched off:
%1</source>
        <translation>Der Computer konnte nicht ausgeschaltet werden:
%1</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Bitrate</source>
        <translation>Bitrate</translation>
    </message>
    <message>
        <source>Current bitrate:</source>
        <translation>Aktuelle Bitrate:</translation>
    </message>
    <message>
        <source>%1 kBit</source>
        <translation>%1 kBit</translation>
    </message>
    <message>
        <source>Constant bitrate</source>
        <translation>Konstante Bitrate</translation>
    </message>
    <message>
        <source>Variable bitrate</source>
        <translation>Variable Bitrate</translation>
    </message>
    <message>
        <source>Current level:</source>
        <translation>Aktuelle Stufe:</translation>
    </message>
    <message>
        <source>V%1, about %2 kBit</source>
        <translation>V%1, etwa %2 kBit</translation>
    </message>
    <message>
        <source>poor quality</source>
        <translation>geringe Qualität</translation>
    </message>
    <message>
        <source>good quality</source>
        <translation>gute Qualität</translation>
    </message>
    <message>
        <source>small file</source>
        <translation>kleine Datei</translation>
    </message>
    <message>
        <source>big file</source>
        <translation>große Datei</translation>
    </message>
    <message>
        <source>Priority</source>
        <translation>Priorität</translation>
    </message>
    <message>
        <source>Current priority:</source>
        <translation>Aktuelle Priorität:</translation>
    </message>
    <message>
        <source>slower</source>
        <translation>langsamer</translation>
    </message>
    <message>
        <source>faster</source>
        <translation>schneller</translation>
    </message>
    <message>
        <source>doesn&apos;t interfer</source>
        <translation>stört nicht</translation>
    </message>
    <message>
        <source>interferes</source>
        <translation>stört</translation>
    </message>
    <message>
        <source>Generate Mono MP3</source>
        <translation>Mono-MP3 erzeugen</translation>
    </message>
    <message>
        <source>Include CRC-Checksums</source>
        <translation>CRC-Prüfsummen einfügen</translation>
    </message>
    <message>
        <source>Delete WAV file</source>
        <translation>WAV-Datei löschen</translation>
    </message>
    <message>
        <source>Flags</source>
        <translation>Kennzeichen</translation>
    </message>
    <message>
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopie</translation>
    </message>
    <message>
        <source>Private</source>
        <translation>Privat</translation>
    </message>
    <message>
        <source>Copyright</source>
        <translation>Urheberrecht</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Browse for BladeEnc (Ctrl+Enter)</source>
        <translation>BladeEnc suchen (Strg+Eingabe)</translation>
    </message>
    <message>
        <source>Browse for BladeEnc</source>
        <translation>BladeEnc suchen</translation>
    </message>
    <message>
        <source>BladeEnc|BladeEnc|All files|*</source>
        <translation>BladeEnc|BladeEnc|Alle Dateien|*</translation>
    </message>
    <message>
        <source>The file you&apos;ve selected isn&apos;t named &quot;BladeEnc&quot;.<byte value="xd"/>
Are you sure that you&apos;ve selected the right file?</source>
        <translation>Die gewählte Datei heißt nicht „BladeEnc“.<byte value="xd"/>
Sind Sie sicher, dass Sie die richtige Datei gewählt haben?</translation>
    </message>
    <message>
        <source>Invalid file name - %1</source>
        <translation>Ungültiger Dateiname – %1</translation>
    </message>
    <message>
        <source>Encoding 1 file</source>
        <translation>Kodiere 1 Datei</translation>
    </message>
    <message>
        <source>Encoding %1 files</source>
        <translation>Kodiere %1 Dateien</translation>
    </message>
    <message>
        <source>Tonewright: encoding finished</source>
        <translation>Tonewright: Kodierung beendet</translation>
    </message>
    <message>
        <source>Tonewright: encoding finished with errors</source>
        <translation>Tonewright: Kodierung mit Fehlern beendet</translation>
    </message>
    <message>
        <source>Tonewright %1
Copyright (C) 2026 The Tonewright developers
License GPLv3+: GNU GPL version 3 or later &lt;https://gnu.org/licenses/gpl.html&gt;.
This is free software: you are free to change and redistribute it.
There is NO WARRANTY, to the extent permitted by law.
</source>
        <translation>Tonewright %1
Copyright (C) 2026 Die Tonewright-Entwickler
Lizenz GPLv3+: GNU GPL Version 3 oder später &lt;https://gnu.org/licenses/gpl.html&gt;.
Dies ist freie Software: Sie dürfen sie ändern und weitergeben.
Es gibt KEINE GARANTIE, soweit das Gesetz es zulässt.
</translation>
    </message>
    <message>
        <source>tonewright: unknown option %1 (tonewright --help lists the options)</source>
        <translation>tonewright: unbekannte Option %1 (tonewright --help listet die Optionen)</translation>
    </message>
    <message>
        <source>tonewright: option %1 needs a value (tonewright --help lists the options)</source>
        <translation>tonewright: Option %1 braucht einen Wert (tonewright --help listet die Optionen)</translation>
    </message>
    <message>
        <source>Missing Home URL</source>
        <translation>Fehlende Start-URL</translation>
    </message>
    <message>
        <source>Can not retrieve version information
because no home url was provided.</source>
        <translation>Die Versionsinformation kann nicht abgerufen werden,
weil keine Start-URL angegeben wurde.</translation>
    </message>
    <message>
        <source>Missing Tag Information</source>
        <translation>Fehlende Tag-Information</translation>
    </message>
    <message>
        <source>Can not retrieve version information
because no tag information was provided.</source>
        <translation>Die Versionsinformation kann nicht abgerufen werden,
weil keine Tag-Information angegeben wurde.</translation>
    </message>
    <message>
        <source>Connection Error</source>
        <translation>Verbindungsfehler</translation>
    </message>
    <message>
        <source>Could not retrieve version information from the Internet.
Error: &quot;%1.&quot;</source>
        <translation>Die Versionsinformation konnte nicht aus dem Internet abgerufen werden.
Fehler: „%1.“</translation>
    </message>
    <message>
        <source>Could not retrieve version information from the Internet.
Error unknown.</source>
        <translation>Die Versionsinformation konnte nicht aus dem Internet abgerufen werden.
Fehler unbekannt.</translation>
    </message>
    <message>
        <source>No Update Found</source>
        <translation>Keine Aktualisierung gefunden</translation>
    </message>
    <message>
        <source>There is no update available.</source>
        <translation>Es ist keine Aktualisierung verfügbar.</translation>
    </message>
    <message>
        <source>Update Available</source>
        <translation>Aktualisierung verfügbar</translation>
    </message>
    <message>
        <source>Current version is %1.
Version %2 is available.</source>
        <translation>Die aktuelle Version ist %1.
Version %2 ist verfügbar.</translation>
    </message>
    <message>
        <source>Download the update?</source>
        <translation>Die Aktualisierung herunterladen?</translation>
    </message>
    <message>
        <source>Would you like to view the ReadMe file?</source>
        <translation>Möchten Sie die Liesmich-Datei ansehen?</translation>
    </message>
    <message>
        <source>Download Error</source>
        <translation>Fehler beim Herunterladen</translation>
    </message>
    <message>
        <source>Error occurred while downloading update.
Error: &quot;%1.&quot;</source>
        <translation>Beim Herunterladen der Aktualisierung ist ein Fehler aufgetreten.
Fehler: „%1.“</translation>
    </message>
    <message>
        <source>Error occurred while downloading update.
Error unknown.</source>
        <translation>Beim Herunterladen der Aktualisierung ist ein Fehler aufgetreten.
Fehler unbekannt.</translation>
    </message>
    <message>
        <source>Install Update</source>
        <translation>Aktualisierung installieren</translation>
    </message>
    <message>
        <source>Do you want to install the update now?</source>
        <translation>Möchten Sie die Aktualisierung jetzt installieren?</translation>
    </message>
    <message>
        <source>Do you want to install the update now?
This will close %1.</source>
        <translation>Möchten Sie die Aktualisierung jetzt installieren?
Dabei wird %1 beendet.</translation>
    </message>
    <message>
        <source>Can not start program.</source>
        <translation>Das Programm kann nicht gestartet werden.</translation>
    </message>
    <message>
        <source>File Exists</source>
        <translation>Datei vorhanden</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to overwrite it?</source>
        <translation>Die Datei %1 ist bereits vorhanden.
Möchten Sie sie überschreiben?</translation>
    </message>
    <message>
        <source>Exception</source>
        <translation>Ausnahme</translation>
    </message>
    <message>
        <source>Error retrieving update information.
Exception: %1.</source>
        <translation>Fehler beim Abrufen der Aktualisierungsinformation.
Ausnahme: %1.</translation>
    </message>
    <message>
        <source>Cannot create file %1: %2</source>
        <translation>Die Datei %1 kann nicht angelegt werden: %2</translation>
    </message>
    <message>
        <source>Too many redirections</source>
        <translation>Zu viele Weiterleitungen</translation>
    </message>
    <message>
        <source>No valid response from the server</source>
        <translation>Keine gültige Antwort vom Server</translation>
    </message>
    <message>
        <source>The update is not offered over a secure (https) connection</source>
        <translation>Die Aktualisierung wird nicht über eine sichere (https-)Verbindung angeboten</translation>
    </message>
    <message>
        <source>The page&apos;s SHA-256 of the update is not valid</source>
        <translation>Die SHA-256-Prüfsumme der Aktualisierung auf der Seite ist ungültig</translation>
    </message>
    <message>
        <source>This copy was installed from a package: please update it with your package manager.
The product page opens in your browser.</source>
        <translation>Diese Kopie wurde aus einem Paket installiert: Bitte aktualisieren Sie sie mit Ihrer Paketverwaltung.
Die Produktseite öffnet sich in Ihrem Browser.</translation>
    </message>
    <message>
        <source>All Files|*</source>
        <translation>Alle Dateien|*</translation>
    </message>
    <message>
        <source>Please Wait</source>
        <translation>Bitte warten</translation>
    </message>
    <message>
        <source>Checking For Update...</source>
        <translation>Suche nach Aktualisierung …</translation>
    </message>
    <message>
        <source>Retrieving ReadMe...</source>
        <translation>Rufe Liesmich ab …</translation>
    </message>
    <message>
        <source>Download Progress</source>
        <translation>Fortschritt beim Herunterladen</translation>
    </message>
    <message>
        <source>Downloading Update</source>
        <translation>Lade Aktualisierung herunter</translation>
    </message>
    <message>
        <source>Downloading ReadMe</source>
        <translation>Lade Liesmich herunter</translation>
    </message>
    <message>
        <source>%1 of %2 bytes received.</source>
        <translation>%1 von %2 Bytes empfangen.</translation>
    </message>
    <message>
        <source>%1 bytes received.</source>
        <translation>%1 Bytes empfangen.</translation>
    </message>
    <message>
        <source>Read Me</source>
        <translation>Liesmich</translation>
    </message>
    <message>
        <source>&amp;Ok</source>
        <translation>&amp;OK</translation>
    </message>
    <message>
        <source>About Tonewright</source>
        <translation>Über Tonewright</translation>
    </message>
    <message>
        <source>Credits</source>
        <translation>Mitwirkende</translation>
    </message>
    <message>
        <source>Add &amp;Folder...</source>
        <translation>&amp;Ordner hinzufügen...</translation>
    </message>
    <message>
        <source>Add every audio file under a folder to the list</source>
        <translation>Alle Audiodateien unterhalb eines Ordners zur Liste hinzufügen</translation>
    </message>
    <message>
        <source>Add Folder</source>
        <translation>Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Reading folder... %1 files</source>
        <translation>Ordner wird gelesen... %1 Dateien</translation>
    </message>
    <message>
        <source>These folders could not be read:
%1</source>
        <translation>Diese Ordner konnten nicht gelesen werden:
%1</translation>
    </message>
    <message>
        <source>O&amp;ptions</source>
        <translation>O&amp;ptionen</translation>
    </message>
    <message>
        <source>Skipped %1: its MP3 %2 already exists.</source>
        <translation>%1 übersprungen: die MP3-Datei %2 existiert bereits.</translation>
    </message>
    <message>
        <source>Every listed file&apos;s MP3 already exists: there is nothing to encode.</source>
        <translation>Zu jeder Datei der Liste existiert die MP3-Datei bereits: es gibt nichts zu kodieren.</translation>
    </message>
    <message>
        <source>Output</source>
        <translation>Ausgabe</translation>
    </message>
    <message>
        <source>Save MP3 files</source>
        <translation>MP3-Dateien speichern</translation>
    </message>
    <message>
        <source>&amp;beside their sources</source>
        <translation>&amp;neben ihren Quelldateien</translation>
    </message>
    <message>
        <source>in this &amp;folder:</source>
        <translation>in diesem &amp;Ordner:</translation>
    </message>
    <message>
        <source>Bro&amp;wse...</source>
        <translation>&amp;Durchsuchen...</translation>
    </message>
    <message>
        <source>Choose the folder for the MP3 files</source>
        <translation>Ordner für die MP3-Dateien wählen</translation>
    </message>
    <message>
        <source>&amp;Keep the source folders below it</source>
        <translation>Ordnerstruktur der Quellen darunter &amp;beibehalten</translation>
    </message>
    <message>
        <source>&amp;Skip files whose MP3 already exists</source>
        <translation>Dateien ü&amp;berspringen, deren MP3-Datei schon existiert</translation>
    </message>
    <message>
        <source>Please enter the folder the MP3 files are saved in.</source>
        <translation>Bitte den Ordner angeben, in dem die MP3-Dateien gespeichert werden.</translation>
    </message>
    <message>
        <source>The output folder must be a full path from /: %1</source>
        <translation>Der Ausgabeordner muss ein vollständiger Pfad ab / sein: %1</translation>
    </message>
    <message>
        <source>The output folder %1 cannot be created: %2 is not a folder.</source>
        <translation>Der Ausgabeordner %1 kann nicht angelegt werden: %2 ist kein Ordner.</translation>
    </message>
    <message>
        <source>The output folder %1 cannot be created or written: %2 is not writable.</source>
        <translation>Der Ausgabeordner %1 kann nicht angelegt oder beschrieben werden: %2 ist nicht beschreibbar.</translation>
    </message>
    <message>
        <source>Usage: tonewright [option...] [--] [file|folder...]
A desktop front-end for the BladeEnc MP3 encoder. Audio files given as arguments
join the list, a folder with every audio file under it; a Tonewright already
running takes them instead.

  -h, --help     print this help and exit
      --version  print the version and the licence and exit
      --         every later argument is a file

Qt&apos;s own options, such as -platform or -style, go on to Qt.
See tonewright(1) for the files and the environment.
</source>
        <translation>Aufruf: tonewright [Option...] [--] [Datei|Ordner...]
Eine grafische Oberfläche für den MP3-Kodierer BladeEnc. Als Argumente
genannte Audiodateien kommen in die Liste, ein Ordner mit allen Audiodateien
darunter; läuft Tonewright schon, übernimmt es sie.

  -h, --help     diese Hilfe ausgeben und beenden
      --version  Version und Lizenz ausgeben und beenden
      --         jedes weitere Argument ist eine Datei

Qts eigene Optionen wie -platform oder -style gehen an Qt weiter.
Dateien und Umgebung beschreibt tonewright(1).
</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message>
        <source>Encoding %1%</source>
        <translation>Kodiert %1%</translation>
    </message>
    <message>
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message>
        <source>Skipped</source>
        <translation>Übersprungen</translation>
    </message>
    <message>
        <source>Stopped</source>
        <translation>Angehalten</translation>
    </message>
    <message>
        <source>Clear Fi&amp;nished</source>
        <translation>&amp;Fertige entfernen</translation>
    </message>
    <message>
        <source>Deletes the files encoded by the last batch from the list</source>
        <translation>Entfernt die vom letzten Stapel kodierten Dateien aus der Liste</translation>
    </message>
</context>
<context>
    <name>TFormAbout</name>
    <message>
        <source>A front-end for BladeEnc</source>
        <translation>Eine Oberfläche für BladeEnc</translation>
    </message>
    <message>
        <source>by the Tonewright developers, 2026</source>
        <translation>von den Tonewright-Entwicklern, 2026</translation>
    </message>
    <message>
        <source>Licence: GNU GPL v3 or later</source>
        <translation>Lizenz: GNU GPL v3 oder später</translation>
    </message>
    <message>
        <source>Built with the help of:</source>
        <translation>Gebaut mit Hilfe von:</translation>
    </message>
    <message>
        <source>The Qt Company and the Qt Project</source>
        <translation>The Qt Company und dem Qt Project</translation>
    </message>
    <message>
        <source>The LAME Project</source>
        <translation>dem LAME-Projekt</translation>
    </message>
    <message>
        <source>Erik de Castro Lopo and contributors</source>
        <translation>Erik de Castro Lopo und Mitwirkenden</translation>
    </message>
    <message>
        <source>The GNU Project</source>
        <translation>dem GNU-Projekt</translation>
    </message>
    <message>
        <source>(the GNU C Library)</source>
        <translation>(die GNU-C-Bibliothek)</translation>
    </message>
    <message>
        <source>Free Software Foundation</source>
        <translation>der Free Software Foundation</translation>
    </message>
    <message>
        <source>The freedesktop.org community</source>
        <translation>der freedesktop.org-Gemeinschaft</translation>
    </message>
    <message>
        <source>Comments and bug reports to:</source>
        <translation>Anmerkungen und Fehlerberichte an:</translation>
    </message>
    <message>
        <source>Many thanks to Tord Jansson,</source>
        <translation>Vielen Dank an Tord Jansson,</translation>
    </message>
    <message>
        <source>the author of BladeEnc,</source>
        <translation>den Autor von BladeEnc,</translation>
    </message>
    <message>
        <source>the encoder behind it all.</source>
        <translation>den Kodierer hinter allem.</translation>
    </message>
    <message>
        <source>Have fun!</source>
        <translation>Viel Spaß!</translation>
    </message>
</context>
</TS>
