<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>CommandCompleterModel</name>
    <message>
        <location filename="../completion/commandcompletermodel.cpp" line="+113"/>
        <source>Command from the history</source>
        <translation>Befehl aus dem Verlauf</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Application</source>
        <translation>Anwendung</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>Application: %1</source>
        <translation>Anwendung: %1</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Program</source>
        <translation>Programm</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Folder</source>
        <translation>Ordner</translation>
    </message>
</context>
<context>
    <name>HelpWindow</name>
    <message>
        <location filename="../desktop/helpwindow.cpp" line="+49"/>
        <source>%1 Handbook</source>
        <translation>%1 – Handbuch</translation>
    </message>
</context>
<context>
    <name>HistoryBox</name>
    <message>
        <location filename="../completion/historybox.cpp" line="+304"/>
        <source>Clear History - Run command</source>
        <translation>Verlauf löschen – Befehl ausführen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Erase the history of the commands run and the order the list learned from them?</source>
        <translation>Den Verlauf der ausgeführten Befehle und die daraus gelernte Reihenfolge der Liste löschen?</translation>
    </message>
    <message>
        <location line="+69"/>
        <source>Clear history</source>
        <translation>Verlauf löschen</translation>
    </message>
    <message>
        <location line="-126"/>
        <source>%1: it is still being read</source>
        <translation>%1: sie wird noch gelesen</translation>
    </message>
</context>
<context>
    <name>KavMenuDialog</name>
    <message>
        <location filename="../desktop/kavmenudialog.cpp" line="+31"/>
        <location line="+1"/>
        <location line="+1"/>
        <source>Multimedia</source>
        <translation>Multimedia</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Development</source>
        <translation>Entwicklung</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Education</source>
        <translation>Bildung</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Games</source>
        <translation>Spiele</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Graphics</source>
        <translation>Grafik</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Internet</source>
        <translation>Internet</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Office</source>
        <translation>Büro</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Science</source>
        <translation>Wissenschaft</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Settings</source>
        <translation>Einstellungen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>System</source>
        <translation>System</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Utilities</source>
        <translation>Dienstprogramme</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Other</source>
        <translation>Sonstige</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Choose Application</source>
        <translation>Anwendung auswählen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Search</source>
        <translation>Suchen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Search applications</source>
        <extracomment>What screen readers call the field that narrows the menu to matching applications</extracomment>
        <translation>Anwendungen suchen</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Applications</source>
        <translation>Anwendungen</translation>
    </message>
</context>
<context>
    <name>QObject</name>
    <message>
        <location filename="../app/commandline.cpp" line="+15"/>
        <source>Run in terminal</source>
        <translation>Im Terminal ausführen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Run as user &lt;username&gt;</source>
        <translation>Als Benutzer &lt;username&gt; ausführen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Use su by default</source>
        <translation>Standardmäßig su verwenden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Use sudo by default</source>
        <translation>Standardmäßig sudo verwenden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Run with real-time scheduling</source>
        <translation>Mit Echtzeit-Zuteilung ausführen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Set priority. It ranges from 19 to -20 for normal scheduling (as parameter for nice command). For realtime scheduling priority ranges from 1 to 99.</source>
        <translation>Priorität festlegen. Sie reicht bei normaler Zuteilung von 19 bis -20 (wie der Parameter des Befehls nice), bei Echtzeit-Zuteilung von 1 bis 99.</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Wait in the background without a window; later starts show the dialog at once</source>
        <translation>Ohne Fenster im Hintergrund warten; spätere Starts zeigen den Dialog sofort</translation>
    </message>
    <message>
        <location line="+7"/>
        <source>Command to run</source>
        <translation>Auszuführender Befehl</translation>
    </message>
    <message>
        <location line="+28"/>
        <location line="+7"/>
        <source>wrong priority</source>
        <translation>ungültige Priorität</translation>
    </message>
    <message>
        <location line="+9"/>
        <source>su can&apos;t be used with sudo</source>
        <translation>su kann nicht zusammen mit sudo verwendet werden</translation>
    </message>
</context>
<context>
    <name>Roderuz</name>
    <message>
        <location filename="../dialog/roderuz.cpp" line="+69"/>
        <source>Run Command</source>
        <translation>Befehl ausführen</translation>
    </message>
    <message>
        <location filename="../dialog/optionshortcuts.cpp" line="+16"/>
        <source>Choose a program file</source>
        <translation>Programmdatei auswählen</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Change the user with su</source>
        <translation>Den Benutzer mit su wechseln</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Change the user with sudo</source>
        <translation>Den Benutzer mit sudo wechseln</translation>
    </message>
    <message>
        <location filename="../dialog/advancedpanel.cpp" line="+51"/>
        <location filename="../dialog/roderuz.cpp" line="+40"/>
        <source>&amp;Advanced &gt;&gt;</source>
        <translation>&amp;Erweitert &gt;&gt;</translation>
    </message>
    <message>
        <location filename="../dialog/roderuz.cpp" line="+25"/>
        <source>Looking at %1 ...</source>
        <extracomment>The hint while the file that the text names does not answer</extracomment>
        <translation>%1 wird angesehen ...</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <location filename="../dialog/optionshortcuts.cpp" line="+29"/>
        <source>%1 (%2)</source>
        <extracomment>Tool tip: what a button does, then its keyboard shortcut</extracomment>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <location filename="../dialog/roderuz.cpp" line="+299"/>
        <source>Checking the password ...</source>
        <translation>Das Passwort wird geprüft ...</translation>
    </message>
    <message>
        <location filename="../dialog/runasoptions.cpp" line="+269"/>
        <source>The password was cleared</source>
        <translation>Das Passwort wurde gelöscht</translation>
    </message>
    <message>
        <location filename="../dialog/detachedstart.cpp" line="+36"/>
        <source>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
The double quotes of the command do not pair up, so it cannot be split into its arguments.</source>
        <translation>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
Die doppelten Anführungszeichen des Befehls bilden keine Paare, deshalb lässt er sich nicht in seine Argumente zerlegen.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
The specified command does not exist.</source>
        <translation>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
Der angegebene Befehl existiert nicht.</translation>
    </message>
    <message>
        <location filename="../exec/launchdescription.cpp" line="+210"/>
        <source>The command contains control characters or invisible formatting characters that the command field cannot show. It is not run as another user.</source>
        <translation>Der Befehl enthält Steuerzeichen oder unsichtbare Formatierungszeichen, die das Befehlsfeld nicht anzeigen kann. Er wird nicht als anderer Benutzer ausgeführt.</translation>
    </message>
    <message>
        <location filename="../dialog/privilegedlauncher.cpp" line="+96"/>
        <source>You do not exist!</source>
        <translation>Sie existieren nicht!</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&lt;qt&gt;The user &lt;b&gt;%1&lt;/b&gt; does not exist on this system.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;Der Benutzer &lt;b&gt;%1&lt;/b&gt; existiert auf diesem System nicht.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+68"/>
        <source>The search path (PATH) holds a line break, so nothing was run.</source>
        <translation>Der Suchpfad (PATH) enthält einen Zeilenumbruch, daher wurde nichts ausgeführt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The name of the display (DISPLAY) holds a line break, so nothing was run.</source>
        <translation>Der Name der Anzeige (DISPLAY) enthält einen Zeilenumbruch, daher wurde nichts ausgeführt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The display&apos;s authority entry holds a line break, so nothing was run.</source>
        <translation>Der Berechtigungseintrag der Anzeige enthält einen Zeilenumbruch, daher wurde nichts ausgeführt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&lt;qt&gt;The folder of the companion program &lt;b&gt;tavrine&lt;/b&gt; holds a line break, so nothing was run.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;Der Ordner des Hilfsprogramms &lt;b&gt;tavrine&lt;/b&gt; enthält einen Zeilenumbruch, daher wurde nichts ausgeführt.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Incorrect password. Please try again.</source>
        <translation>Falsches Passwort. Bitte versuchen Sie es erneut.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&lt;qt&gt;The companion program &lt;b&gt;tavrine&lt;/b&gt; was not found, so nothing can be run as another user.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;Das Begleitprogramm &lt;b&gt;tavrine&lt;/b&gt; wurde nicht gefunden, daher kann nichts als anderer Benutzer ausgeführt werden.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>&lt;qt&gt;&lt;b&gt;%1&lt;/b&gt; is not installed: it was not found on the search path, so nothing can be run as &lt;b&gt;%2&lt;/b&gt;.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;b&gt;%1&lt;/b&gt; ist nicht installiert: Es wurde im Suchpfad nicht gefunden, daher kann nichts als &lt;b&gt;%2&lt;/b&gt; ausgeführt werden.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1 did not answer in time, so nothing was run.</source>
        <translation>%1 hat nicht rechtzeitig geantwortet, daher wurde nichts ausgeführt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>&lt;qt&gt;%1 asked for &lt;b&gt;%2&lt;/b&gt; with the typed text shown on the screen, so the password was not typed.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;%1 hat nach &lt;b&gt;%2&lt;/b&gt; gefragt und zeigt dabei die Eingabe auf dem Bildschirm an, daher wurde das Passwort nicht eingegeben.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>&lt;qt&gt;%1 did not run the command as &lt;b&gt;%2&lt;/b&gt;.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;%1 hat den Befehl nicht als &lt;b&gt;%2&lt;/b&gt; ausgeführt.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>&lt;qt&gt;%1 did not run the command as &lt;b&gt;%2&lt;/b&gt;. It said:&lt;br&gt;%3&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;%1 hat den Befehl nicht als &lt;b&gt;%2&lt;/b&gt; ausgeführt. Meldung:&lt;br&gt;%3&lt;/qt&gt;</translation>
    </message>
    <message>
        <location filename="../dialog/callerlauncher.cpp" line="+21"/>
        <location line="+13"/>
        <location filename="../dialog/privilegedlauncher.cpp" line="+53"/>
        <location filename="../dialog/roderuz.cpp" line="+112"/>
        <source>Warning - Run command</source>
        <translation>Warnung – Befehl ausführen</translation>
    </message>
    <message>
        <location line="-19"/>
        <location filename="../dialog/privilegedlauncher.cpp" line="-164"/>
        <source>Error - Run command</source>
        <translation>Fehler – Befehl ausführen</translation>
    </message>
    <message>
        <location filename="../dialog/advancedpanel.cpp" line="-12"/>
        <source>&amp;Advanced &lt;&lt;</source>
        <translation>&amp;Erweitert &lt;&lt;</translation>
    </message>
    <message>
        <location filename="../exec/launchdescription.cpp" line="-77"/>
        <source>Cannot calculate this expression</source>
        <translation>Dieser Ausdruck lässt sich nicht berechnen</translation>
    </message>
    <message>
        <location filename="../dialog/runasoptions.cpp" line="-30"/>
        <source>Real-time priority, higher numbers run first</source>
        <translation>Echtzeitpriorität, höhere Zahlen laufen zuerst</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Priority, higher than the default</source>
        <translation>Priorität, höher als üblich</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Priority, lower than the default</source>
        <translation>Priorität, niedriger als üblich</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Priority, the default</source>
        <translation>Priorität, die übliche</translation>
    </message>
    <message>
        <location filename="../exec/launchdescription.cpp" line="-5"/>
        <source>Calculating ...</source>
        <translation>Wird berechnet ...</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Result too long</source>
        <translation>Ergebnis zu lang</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Install bc to calculate this</source>
        <translation>Installieren Sie bc, um dies zu berechnen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>= %1</source>
        <translation>= %1</translation>
    </message>
    <message>
        <location line="+22"/>
        <source>Runs as root: only root may use realtime scheduling</source>
        <translation>Startet als root: nur root darf Echtzeitplanung verwenden</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Runs as root: only root may raise the priority</source>
        <translation>Startet als root: nur root darf die Priorität erhöhen</translation>
    </message>
    <message>
        <location line="-14"/>
        <source>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
%2.</source>
        <extracomment>The command as typed, in bold, then why it was not run (as the hint said)</extracomment>
        <translation>&lt;center&gt;&lt;b&gt;%1&lt;/b&gt;&lt;/center&gt;
%2.</translation>
    </message>
    <message>
        <location line="-72"/>
        <source>Closes this dialog</source>
        <translation>Schließt diesen Dialog</translation>
    </message>
    <message>
        <location line="+45"/>
        <source>Runs as %1 through %2</source>
        <translation>Startet als %1 über %2</translation>
    </message>
    <message>
        <location line="-102"/>
        <source>%1 with realtime priority %2</source>
        <translation>%1 mit Echtzeitpriorität %2</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 at priority %2</source>
        <translation>%1 mit Priorität %2</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>%1; type your own password first</source>
        <translation>%1; geben Sie zuerst Ihr eigenes Passwort ein</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1; type the password of %2 first</source>
        <translation>%1; geben Sie zuerst das Passwort von %2 ein</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>%1, as %2 through %3</source>
        <translation>%1, als %2 über %3</translation>
    </message>
    <message>
        <location line="+14"/>
        <source>Enter runs the last command again: %1</source>
        <translation>Eingabe startet den letzten Befehl noch einmal: %1</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>Enter opens %1</source>
        <translation>Eingabe öffnet %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Enter shows what is in %1</source>
        <translation>Eingabe zeigt, was in %1 liegt</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Enter runs %1</source>
        <translation>Eingabe startet %1</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>No program or file named %1</source>
        <translation>Kein Programm und keine Datei namens %1</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 is not a program, so it cannot take arguments</source>
        <translation>%1 ist kein Programm und nimmt daher keine Argumente an</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The command holds a line break, so it cannot run as another user</source>
        <translation>Der Befehl enthält einen Zeilenumbruch und kann daher nicht als anderer Benutzer ausgeführt werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The user name holds a line break, so it cannot run as another user</source>
        <translation>Der Benutzername enthält einen Zeilenumbruch, daher kann nichts als anderer Benutzer ausgeführt werden</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The command holds a NUL byte, so it cannot run as another user</source>
        <translation>Der Befehl enthält ein NUL-Byte und kann daher nicht als anderer Benutzer laufen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>%1 is not on %2&apos;s search path; give its full path</source>
        <translation>%1 ist nicht im Suchpfad von %2; geben Sie den vollständigen Pfad an</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>The command is %1 bytes long, more than the %2 bytes the system passes in one argument, so it cannot run as another user</source>
        <translation>Der Befehl ist %1 Bytes lang, mehr als die %2 Bytes, die das System in einem Argument übergibt, und kann daher nicht als anderer Benutzer laufen</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>Windows of %1 cannot open in this Wayland session</source>
        <translation>Fenster von %1 können sich in dieser Wayland-Sitzung nicht öffnen</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The command holds characters that the field cannot show, so it cannot run as another user</source>
        <translation>Der Befehl enthält Zeichen, die das Feld nicht anzeigen kann, und kann daher nicht als anderer Benutzer ausgeführt werden</translation>
    </message>
    <message>
        <location line="+23"/>
        <source>%1, without windows in this Wayland session</source>
        <translation>%1, ohne Fenster in dieser Wayland-Sitzung</translation>
    </message>
    <message>
        <location line="+72"/>
        <source>&lt;qt&gt;No window of &lt;b&gt;%1&lt;/b&gt; can open in this Wayland session, so it was not run: its XWayland has no authority to hand over (an X11 program ends with &quot;Authorization required&quot;), and the session&apos;s Wayland socket is never opened to another user.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;Kein Fenster von &lt;b&gt;%1&lt;/b&gt; kann sich in dieser Wayland-Sitzung öffnen, daher wurde nichts ausgeführt: Ihr XWayland hat keine Berechtigung, die sich weitergeben ließe (ein X11-Programm endet mit „Authorization required“), und der Wayland-Socket der Sitzung wird nie für einen anderen Benutzer geöffnet.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>The command holds a NUL byte, so it was not run.</source>
        <translation>Der Befehl enthält ein NUL-Byte und wurde daher nicht ausgeführt.</translation>
    </message>
    <message>
        <location line="-190"/>
        <source>%1 in %2</source>
        <translation>%1 in %2</translation>
    </message>
    <message>
        <location line="+12"/>
        <source>%1; asks for your own password</source>
        <translation>%1; fragt nach Ihrem eigenen Passwort</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>%1; asks for the password of %2</source>
        <translation>%1; fragt nach dem Passwort von %2</translation>
    </message>
    <message>
        <location line="+132"/>
        <source>Your pass&amp;word:</source>
        <translation>Ihr Pass&amp;wort:</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>Pass&amp;word of %1:</source>
        <translation>Pass&amp;wort von %1:</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>&lt;qt&gt;&lt;b&gt;%1&lt;/b&gt; is not on the search path of &lt;b&gt;%2&lt;/b&gt;, so it was not run. Give its full path.&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;&lt;b&gt;%1&lt;/b&gt; ist nicht im Suchpfad von &lt;b&gt;%2&lt;/b&gt; und wurde daher nicht ausgeführt. Geben Sie den vollständigen Pfad an.&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+4"/>
        <source>The command is %1 bytes long, more than the %2 bytes that the system passes to a program in one argument, so it was not run as another user.</source>
        <translation>Der Befehl ist %1 Bytes lang, mehr als die %2 Bytes, die das System einem Programm in einem Argument übergibt, und wurde daher nicht als anderer Benutzer ausgeführt.</translation>
    </message>
    <message>
        <location line="+19"/>
        <source>The command holds a line break, so it was not run.</source>
        <translation>Der Befehl enthält einen Zeilenumbruch und wurde daher nicht ausgeführt.</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>The user name holds a line break, so it was not run.</source>
        <translation>Der Benutzername enthält einen Zeilenumbruch, daher wurde nichts ausgeführt.</translation>
    </message>
    <message>
        <location line="-105"/>
        <source>Opens the address in the web browser</source>
        <translation>Öffnet die Adresse im Webbrowser</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Opens the address with the default application</source>
        <translation>Öffnet die Adresse mit der Standardanwendung</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Opens %1 with the default application</source>
        <translation>Öffnet %1 mit der Standardanwendung</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Runs %1</source>
        <translation>Startet %1</translation>
    </message>
    <message>
        <location filename="../dialog/runasoptions.cpp" line="+77"/>
        <source>Warning - Run Command</source>
        <translation>Warnung – Befehl ausführen</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>Running a realtime application can be very dangerous. If the application misbehaves, the system might hang unrecoverably.
Are you sure you want to continue?</source>
        <translation>Eine Anwendung in Echtzeit auszuführen kann sehr gefährlich sein. Wenn sich die Anwendung fehlerhaft verhält, kann das System unwiederbringlich hängen bleiben.
Möchten Sie wirklich fortfahren?</translation>
    </message>
    <message>
        <location line="-95"/>
        <source>%1 (Low)</source>
        <translation>%1 (Niedrig)</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>%1 (High)</source>
        <translation>%1 (Hoch)</translation>
    </message>
    <message>
        <location filename="../exec/executablefilechooser.cpp" line="+52"/>
        <source>Open executable</source>
        <translation>Ausführbare Datei öffnen</translation>
    </message>
    <message>
        <location line="+20"/>
        <source>File doesn&apos;t exist</source>
        <translation>Datei existiert nicht</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>File isn&apos;t executable</source>
        <translation>Datei ist nicht ausführbar</translation>
    </message>
    <message>
        <location line="+2"/>
        <source>File you have selected doesn&apos;t exist. Do you want to choose another one?</source>
        <translation>Die ausgewählte Datei existiert nicht. Möchten Sie eine andere auswählen?</translation>
    </message>
    <message>
        <location line="+1"/>
        <source>You can&apos;t exec selected file. Do you want to choose another one?</source>
        <translation>Die ausgewählte Datei kann nicht ausgeführt werden. Möchten Sie eine andere auswählen?</translation>
    </message>
    <message>
        <location filename="../exec/terminal.cpp" line="+73"/>
        <source>Press Enter to close this window</source>
        <translation>Zum Schließen dieses Fensters die Eingabetaste drücken</translation>
    </message>
    <message>
        <location filename="../dialog/roderuz.cpp" line="+171"/>
        <source>The history and the settings could not be saved; what was saved before is kept.

%1</source>
        <translation>Der Verlauf und die Einstellungen konnten nicht gespeichert werden; was zuvor gespeichert war, bleibt erhalten.

%1</translation>
    </message>
</context>
<context>
    <name>RoderuzDlgUI</name>
    <message>
        <location filename="../dialog/roderuzdlgui.ui" line="+65"/>
        <source>Enter the name of the application you want to run or the URL you want to view</source>
        <translation>Geben Sie den Namen der Anwendung ein, die Sie ausführen möchten, oder die Adresse, die Sie ansehen möchten</translation>
    </message>
    <message>
        <location line="+19"/>
        <location line="+30"/>
        <source>Enter the command you want to run or the address of the resource you want to open. This can be a remote address such as &quot;https://www.example.org&quot; or a local one such as &quot;/usr/share&quot;.</source>
        <translation>Geben Sie den Befehl ein, den Sie ausführen möchten, oder die Adresse der Ressource, die Sie öffnen möchten. Das kann eine entfernte Adresse wie „https://www.example.org“ oder eine lokale wie „/usr/share“ sein.</translation>
    </message>
    <message>
        <location line="-27"/>
        <source>Com&amp;mand:</source>
        <translation>Be&amp;fehl:</translation>
    </message>
    <message>
        <location line="+49"/>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>Select application from menu</source>
        <translation>Anwendung aus dem Menü auswählen</translation>
    </message>
    <message>
        <location line="+27"/>
        <source>Check this option if the application you want to run is a text mode application. The application will then be run in a terminal emulator window.</source>
        <translation>Kreuzen Sie diese Einstellung an, wenn die Anwendung, die Sie ausführen möchten, im Textmodus läuft. Die Anwendung wird dann in einem Terminalfenster ausgeführt.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run in &amp;terminal window</source>
        <translation>Im &amp;Terminalfenster ausführen</translation>
    </message>
    <message>
        <location line="+134"/>
        <source>Check this option if you want to run the application with a different user id. Every process has a user id associated with it. This id code determines file access and other permissions. The password of the user is required to do this.</source>
        <translation>Kreuzen Sie diese Einstellung an, wenn Sie die Anwendung unter einer anderen Benutzerkennung ausführen möchten. Zu jedem Prozess gehört eine Benutzerkennung. Sie bestimmt den Dateizugriff und andere Berechtigungen. Dazu wird das Passwort des Benutzers benötigt.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run as a different &amp;user by means of </source>
        <translation>Als anderer &amp;Benutzer ausführen mittels </translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run as a different user</source>
        <comment>The check box&apos;s text without the su and sudo buttons that follow it</comment>
        <translation>Als anderer Benutzer ausführen</translation>
    </message>
    <message>
        <location line="+10"/>
        <source>su</source>
        <translation>su</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>sudo</source>
        <translation>sudo</translation>
    </message>
    <message>
        <location line="+41"/>
        <location line="+22"/>
        <source>Enter the user you want to run the application as here.</source>
        <translation>Geben Sie hier den Benutzer ein, als der die Anwendung ausgeführt werden soll.</translation>
    </message>
    <message>
        <location line="-19"/>
        <source>User&amp;name:</source>
        <translation>Benutzer&amp;name:</translation>
    </message>
    <message>
        <location line="+29"/>
        <location line="+22"/>
        <source>Enter the password here for the user you specified above.</source>
        <translation>Geben Sie hier das Passwort des oben angegebenen Benutzers ein.</translation>
    </message>
    <message>
        <location line="-19"/>
        <source>Pass&amp;word:</source>
        <translation>Pass&amp;wort:</translation>
    </message>
    <message>
        <location line="+35"/>
        <source>Check this option if you want to run the application with a different priority. A higher priority tells the operating system to give more processing time to your application.</source>
        <translation>Kreuzen Sie diese Einstellung an, wenn Sie die Anwendung mit einer anderen Priorität ausführen möchten. Eine höhere Priorität weist das Betriebssystem an, Ihrer Anwendung mehr Rechenzeit zu geben.</translation>
    </message>
    <message>
        <location line="+3"/>
        <source>Run with a &amp;different priority</source>
        <translation>Mit &amp;geänderter Priorität ausführen</translation>
    </message>
    <message>
        <location line="+31"/>
        <location line="+45"/>
        <location line="+35"/>
        <location line="+13"/>
        <source>The priority that the command will be run with can be set here. From left to right, it goes from low to high. The center position is the default value. For priorities higher than the default, you will need to provide the root password.</source>
        <translation>Hier lässt sich die Priorität festlegen, mit der der Befehl ausgeführt wird. Von links nach rechts reicht sie von niedrig bis hoch. Die mittlere Stellung ist der Standardwert. Für eine höhere Priorität als den Standardwert brauchen Sie das Passwort des Systemverwalters (root).</translation>
    </message>
    <message>
        <location line="-90"/>
        <source>&amp;Priority:</source>
        <translation>&amp;Priorität:</translation>
    </message>
    <message>
        <location line="+80"/>
        <source>Low</source>
        <translation>Niedrig</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>High</source>
        <translation>Hoch</translation>
    </message>
    <message>
        <location line="+18"/>
        <source>&lt;qt&gt;Select whether realtime scheduling should be enabled for the application. The scheduler governs which process will run and which will have to wait. Two schedulers are available:
&lt;ul&gt;
&lt;li&gt;&lt;em&gt;Normal:&lt;/em&gt; This is the standard, timesharing scheduler. It will divide fairly the available processing time between all processes.&lt;/li&gt;
&lt;li&gt;&lt;em&gt;Realtime:&lt;/em&gt;This scheduler will run your application uninterrupted until it gives up the processor. This can be dangerous. An application that does not give up the processor might hang the system. You need root&apos;s password to use the scheduler.&lt;/li&gt;
&lt;/ul&gt;
&lt;/qt&gt;</source>
        <translation>&lt;qt&gt;Wählen Sie, ob die Anwendung mit Echtzeit-Zuteilung laufen soll. Der Scheduler bestimmt, welcher Prozess läuft und welcher warten muss. Zwei Scheduler stehen zur Verfügung:
&lt;ul&gt;
&lt;li&gt;&lt;em&gt;Normal:&lt;/em&gt; Der übliche Scheduler mit Zeitscheiben. Er teilt die verfügbare Rechenzeit gerecht auf alle Prozesse auf.&lt;/li&gt;
&lt;li&gt;&lt;em&gt;Echtzeit:&lt;/em&gt; Dieser Scheduler lässt Ihre Anwendung ohne Unterbrechung laufen, bis sie den Prozessor abgibt. Das kann gefährlich sein: Eine Anwendung, die den Prozessor nicht abgibt, kann das System zum Stillstand bringen. Für diesen Scheduler brauchen Sie das Passwort des Systemverwalters (root).&lt;/li&gt;
&lt;/ul&gt;
&lt;/qt&gt;</translation>
    </message>
    <message>
        <location line="+8"/>
        <source>Run with realtime &amp;scheduling</source>
        <translation>Mit Echtzeit-&amp;Zuteilung ausführen</translation>
    </message>
    <message>
        <location line="+75"/>
        <source>Advanced options</source>
        <translation>Erweiterte Einstellungen</translation>
    </message>
    <message>
        <location line="+29"/>
        <source>&amp;Run</source>
        <translation>&amp;Ausführen</translation>
    </message>
    <message>
        <location line="+16"/>
        <source>&amp;Cancel</source>
        <translation>Abbre&amp;chen</translation>
    </message>
</context>
<context>
    <name>SettingsStore</name>
    <message>
        <location filename="../desktop/settingsstore.cpp" line="+105"/>
        <source>it cannot be written</source>
        <translation>sie kann nicht geschrieben werden</translation>
    </message>
    <message>
        <location line="+6"/>
        <source>it was not written whole</source>
        <translation>sie wurde nicht vollständig geschrieben</translation>
    </message>
    <message>
        <location line="-32"/>
        <source>another program is saving it</source>
        <translation>ein anderes Programm speichert sie gerade</translation>
    </message>
</context>
<context>
    <name>SpokenStatus</name>
    <message>
        <location filename="../dialog/spokenstatus.cpp" line="+132"/>
        <source>One suggestion</source>
        <extracomment>Said by screen readers when the completion list opens</extracomment>
        <translation>Ein Vorschlag</translation>
    </message>
    <message>
        <location line="+0"/>
        <source>%1 suggestions</source>
        <translation>%1 Vorschläge</translation>
    </message>
    <message>
        <location line="+13"/>
        <source>. </source>
        <extracomment>Parts of one announcement for screen readers: a note, then the hint</extracomment>
        <translation>. </translation>
    </message>
</context>
<context>
    <name>StoredFile</name>
    <message>
        <location filename="../desktop/storedfile.cpp" line="+23"/>
        <source>it is not a regular file</source>
        <translation>sie ist keine gewöhnliche Datei</translation>
    </message>
    <message>
        <location line="+5"/>
        <source>it is larger than %1 bytes</source>
        <translation>sie ist größer als %1 Byte</translation>
    </message>
    <message>
        <location line="+70"/>
        <source>its folder cannot be made</source>
        <translation>ihr Ordner kann nicht angelegt werden</translation>
    </message>
</context>
</TS>
