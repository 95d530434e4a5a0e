<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE" sourcelanguage="en">
<context>
    <name>FontFolders</name>
    <message>
        <source>These fonts were found ... 

</source>
        <translation>Diese Schriften wurden gefunden ... 

</translation>
    </message>
    <message numerus="yes">
        <source>%n directories</source>
        <translation>
            <numerusform>%n Verzeichnis</numerusform>
            <numerusform>%n Verzeichnisse</numerusform>
        </translation>
    </message>
    <message>
        <source>You have elected to recurse subdirectories; Typovex will now look for subdirectories that contain uninstalled fonts. This may take a little while.</source>
        <translation>Sie haben gewählt, Unterverzeichnisse einzubeziehen; Typovex sucht nun nach Unterverzeichnissen, die nicht installierte Schriften enthalten. Das kann eine Weile dauern.</translation>
    </message>
    <message numerus="yes">
        <source>%n new fonts</source>
        <translation>
            <numerusform>%n neue Schrift</numerusform>
            <numerusform>%n neue Schriften</numerusform>
        </translation>
    </message>
    <message>
        <source>The folders below %1 are not all listed: the drive stopped answering.</source>
        <translation>Die Ordner unter %1 sind nicht alle aufgeführt: das Laufwerk antwortete nicht mehr.</translation>
    </message>
    <message>
        <source>All uninstalled fonts removed.</source>
        <translation>Alle nicht installierten Schriften wurden entfernt.</translation>
    </message>
    <message>
        <source>No uninstalled fonts found.</source>
        <translation>Keine nicht installierten Schriften gefunden.</translation>
    </message>
    <message>
        <source>Found 1 uninstalled font.</source>
        <translation>1 nicht installierte Schrift gefunden.</translation>
    </message>
    <message numerus="yes">
        <source>Found %n uninstalled fonts.</source>
        <translation>
            <numerusform>%n nicht installierte Schrift gefunden.</numerusform>
            <numerusform>%n nicht installierte Schriften gefunden.</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>FontSelection</name>
    <message>
        <source>Select all</source>
        <translation>Alle auswählen</translation>
    </message>
    <message>
        <source>Unselect all</source>
        <translation>Alle abwählen</translation>
    </message>
    <message>
        <source>Toggle selection</source>
        <translation>Auswahl umkehren</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Export sample as graphic</source>
        <translation>Schriftprobe als Bild exportieren</translation>
    </message>
    <message>
        <source>View character set</source>
        <translation>Zeichensatz anzeigen</translation>
    </message>
</context>
<context>
    <name>ListingSettings</name>
    <message>
        <source>Your settings have been saved.</source>
        <translation>Ihre Einstellungen wurden gespeichert.</translation>
    </message>
</context>
<context>
    <name>RegistryDocument</name>
    <message>
        <source>it is larger than %1 MiB</source>
        <translation>sie größer als %1 MiB ist</translation>
    </message>
    <message>
        <source>it is not a regular file</source>
        <translation>sie keine gewöhnliche Datei ist</translation>
    </message>
    <message>
        <source>it cannot be read (%1)</source>
        <translation>sie nicht gelesen werden kann (%1)</translation>
    </message>
    <message>
        <source>it is not valid JSON (%1 at byte %2)</source>
        <translation>sie kein gültiges JSON enthält (%1 bei Byte %2)</translation>
    </message>
    <message>
        <source>its top level is not an object</source>
        <translation>ihre oberste Ebene kein Objekt ist</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a value where a key is expected</source>
        <translation>„%1“ ein Wert ist, wo ein Schlüssel erwartet wird</translation>
    </message>
    <message>
        <source>&quot;%1&quot; is a value where a section is expected</source>
        <translation>„%1“ ein Wert ist, wo ein Abschnitt erwartet wird</translation>
    </message>
    <message>
        <source>The settings file %1 could not be used because %2. It has been moved to %3, and the settings start again from their defaults.</source>
        <translation>Die Einstellungsdatei %1 konnte nicht verwendet werden, weil %2. Sie wurde nach %3 verschoben, und die Einstellungen beginnen wieder mit ihren Standardwerten.</translation>
    </message>
    <message>
        <source>The settings file %1 could not be used because %2, and it could not be moved aside. The settings take their defaults and cannot be saved until the file is repaired or removed.</source>
        <translation>Die Einstellungsdatei %1 konnte nicht verwendet werden, weil %2, und sie konnte nicht beiseitegelegt werden. Die Einstellungen erhalten ihre Standardwerte und können erst wieder gespeichert werden, wenn die Datei repariert oder entfernt ist.</translation>
    </message>
</context>
<context>
    <name>ReportPrinter</name>
    <message>
        <source>The printer &quot;%1&quot; is not available: %2</source>
        <translation>Der Drucker „%1“ ist nicht verfügbar: %2</translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; is stopped</source>
        <translation>Der Drucker „%1“ ist angehalten</translation>
    </message>
    <message>
        <source>The printer &quot;%1&quot; is not accepting jobs</source>
        <translation>Der Drucker „%1“ nimmt keine Aufträge an</translation>
    </message>
    <message>
        <source>The print job could not be prepared</source>
        <translation>Der Druckauftrag konnte nicht vorbereitet werden</translation>
    </message>
</context>
<context>
    <name>StyleBlock</name>
    <message>
        <source>Point size</source>
        <translation>Schriftgröße</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Fett</translation>
    </message>
    <message>
        <source>B</source>
        <translation>F</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Kursiv</translation>
    </message>
    <message>
        <source>I</source>
        <translation>K</translation>
    </message>
    <message>
        <source>Underline</source>
        <translation>Unterstrichen</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>Strikeout</source>
        <translation>Durchgestrichen</translation>
    </message>
    <message>
        <source>ABC</source>
        <translation>ABC</translation>
    </message>
</context>
<context>
    <name>TRptPreviewFrm</name>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>First page</source>
        <translation>Erste Seite</translation>
    </message>
    <message>
        <source>Previous page</source>
        <translation>Vorherige Seite</translation>
    </message>
    <message>
        <source>Page number</source>
        <translation>Seitenzahl</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Nächste Seite</translation>
    </message>
    <message>
        <source>Last page</source>
        <translation>Letzte Seite</translation>
    </message>
    <message>
        <source>Generating report, please wait ...</source>
        <translation>Bericht wird erstellt, bitte warten ...</translation>
    </message>
    <message>
        <source>Save as PDF...</source>
        <translation>Als PDF speichern...</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Page width</source>
        <translation>Seitenbreite</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>of %1</source>
        <translation>von %1</translation>
    </message>
    <message>
        <source>&apos;%1&apos; is not a valid integer value</source>
        <translation>„%1“ ist keine gültige ganze Zahl</translation>
    </message>
    <message>
        <source>Save as PDF</source>
        <translation>Als PDF speichern</translation>
    </message>
    <message>
        <source>PDF files (*.pdf)</source>
        <translation>PDF-Dateien (*.pdf)</translation>
    </message>
    <message>
        <source>Could not save &quot;%1&quot;: %2</source>
        <translation>„%1“ konnte nicht gespeichert werden: %2</translation>
    </message>
</context>
<context>
    <name>TSelectFolder</name>
    <message>
        <source>Select folder</source>
        <translation>Ordner auswählen</translation>
    </message>
    <message>
        <source>Recurse sub-directories</source>
        <translation>Unterverzeichnisse einbeziehen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>TWinRegistry</name>
    <message>
        <source>Failed to get data for &apos;%1&apos;</source>
        <translation>Fehler beim Lesen der Daten für „%1“</translation>
    </message>
    <message>
        <source>Invalid data type for &apos;%1&apos;</source>
        <translation>Ungültiger Datentyp für „%1“</translation>
    </message>
    <message>
        <source>Failed to create key %1</source>
        <translation>Fehler beim Anlegen des Schlüssels %1</translation>
    </message>
    <message>
        <source>Failed to set data for &apos;%1&apos;</source>
        <translation>Fehler beim Schreiben der Daten für „%1“</translation>
    </message>
</context>
<context>
    <name>TdlgJPEGExport</name>
    <message>
        <source>Export text sample</source>
        <translation>Textprobe exportieren</translation>
    </message>
    <message>
        <source>Text sample</source>
        <translation>Textprobe</translation>
    </message>
    <message>
        <source>Export as</source>
        <translation>Exportieren als</translation>
    </message>
    <message>
        <source>&amp;Export</source>
        <translation>&amp;Exportieren</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Hello</source>
        <translation>Hallo</translation>
    </message>
    <message>
        <source>All (*.jpg;*.jpeg;*.bmp)</source>
        <translation>Alle (*.jpg;*.jpeg;*.bmp)</translation>
    </message>
    <message>
        <source>JPEG Image File (*.jpg;*.jpeg)</source>
        <translation>JPEG-Bilddateien (*.jpg;*.jpeg)</translation>
    </message>
    <message>
        <source>Bitmaps (*.bmp)</source>
        <translation>Bitmaps (*.bmp)</translation>
    </message>
    <message>
        <source>Could not save to %1</source>
        <translation>%1 konnte nicht gespeichert werden</translation>
    </message>
</context>
<context>
    <name>TdlgViewCharacterSet</name>
    <message>
        <source>View Character Set</source>
        <translation>Zeichensatz anzeigen</translation>
    </message>
    <message>
        <source>Show ASCII codes</source>
        <translation>ASCII-Codes anzeigen</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>TfrmAbout</name>
    <message>
        <source>About ...</source>
        <translation>Über ...</translation>
    </message>
    <message>
        <source>Written by the Typovex developers</source>
        <translation>Geschrieben von den Typovex-Entwicklern</translation>
    </message>
    <message>
        <source>A comprehensive fully-featured</source>
        <translation>Ein umfassendes, vielseitiges Werkzeug</translation>
    </message>
    <message>
        <source>font listing and reporting tool.</source>
        <translation>zum Auflisten und Drucken von Schriften.</translation>
    </message>
    <message>
        <source>Thanks to everyone who designs typefaces and shares them, and to the people who test this program and report what they find.</source>
        <translation>Dank an alle, die Schriften gestalten und teilen, und an alle, die dieses Programm testen und melden, was ihnen auffällt.</translation>
    </message>
    <message>
        <source>Visit the Typovex Web site !</source>
        <translation>Besuchen Sie die Website von Typovex!</translation>
    </message>
    <message>
        <source>Send email to the program&apos;s author !</source>
        <translation>Schreiben Sie dem Autor des Programms eine E-Mail!</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Close this About window.</source>
        <translation>Dieses Fenster schließen.</translation>
    </message>
</context>
<context>
    <name>TfrmAdvanced</name>
    <message>
        <source>Advanced</source>
        <translation>Erweitert</translation>
    </message>
    <message>
        <source>Fonts</source>
        <translation>Schriften</translation>
    </message>
    <message>
        <source>Font printing characteristics</source>
        <translation>Druckeigenschaften der Schriften</translation>
    </message>
    <message>
        <source>Select or deselect all fonts</source>
        <translation>Alle Schriften aus- oder abwählen</translation>
    </message>
    <message>
        <source>All fonts</source>
        <translation>Alle Schriften</translation>
    </message>
    <message>
        <source>Point size</source>
        <translation>Schriftgröße</translation>
    </message>
    <message>
        <source>Bold</source>
        <translation>Fett</translation>
    </message>
    <message>
        <source>B</source>
        <translation>F</translation>
    </message>
    <message>
        <source>Italic</source>
        <translation>Kursiv</translation>
    </message>
    <message>
        <source>I</source>
        <translation>K</translation>
    </message>
    <message>
        <source>Underline</source>
        <translation>Unterstrichen</translation>
    </message>
    <message>
        <source>U</source>
        <translation>U</translation>
    </message>
    <message>
        <source>Strikeout</source>
        <translation>Durchgestrichen</translation>
    </message>
    <message>
        <source>ABC</source>
        <translation>ABC</translation>
    </message>
    <message>
        <source>Paths</source>
        <translation>Pfade</translation>
    </message>
    <message>
        <source>Use Windows installed fonts</source>
        <translation>Im System installierte Schriften verwenden</translation>
    </message>
    <message>
        <source>Specify directories (or drives - including CD drives) with uninstalled fonts</source>
        <translation>Verzeichnisse (oder Laufwerke, auch CD-Laufwerke) mit nicht installierten Schriften</translation>
    </message>
    <message>
        <source>Add a new font directory</source>
        <translation>Ein neues Schriftverzeichnis hinzufügen</translation>
    </message>
    <message>
        <source>Add...</source>
        <translation>Hinzufügen...</translation>
    </message>
    <message>
        <source>Remove a font directory</source>
        <translation>Ein Schriftverzeichnis entfernen</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Apply all font path changes and reconstruct the list of fonts</source>
        <translation>Alle Änderungen der Schriftpfade übernehmen und die Schriftliste neu aufbauen</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Übernehmen</translation>
    </message>
    <message>
        <source>See new</source>
        <translation>Neue zeigen</translation>
    </message>
    <message>
        <source>Listing properties</source>
        <translation>Listeneigenschaften</translation>
    </message>
    <message>
        <source>Message text</source>
        <translation>Mustertext</translation>
    </message>
    <message>
        <source>Enter a message here - this will be displayed for each font on the report</source>
        <translation>Geben Sie hier einen Text ein – er erscheint im Bericht für jede Schrift</translation>
    </message>
    <message>
        <source>Use %f to substitute the font name</source>
        <translation>%f wird durch den Schriftnamen ersetzt</translation>
    </message>
    <message>
        <source>Use %F to substitute the font name in all capitals</source>
        <translation>%F wird durch den Schriftnamen in Großbuchstaben ersetzt</translation>
    </message>
    <message>
        <source>Include the font name on the report - in addition to the sample message</source>
        <translation>Den Schriftnamen zusätzlich zum Mustertext in den Bericht aufnehmen</translation>
    </message>
    <message>
        <source>Include font name on left</source>
        <translation>Schriftnamen links anzeigen</translation>
    </message>
    <message>
        <source>&amp;Auto Text</source>
        <translation>&amp;AutoText</translation>
    </message>
    <message>
        <source>Report title and font</source>
        <translation>Berichtstitel und Schrift</translation>
    </message>
    <message>
        <source>Display a title on the report</source>
        <translation>Einen Titel im Bericht anzeigen</translation>
    </message>
    <message>
        <source>Display title</source>
        <translation>Titel anzeigen</translation>
    </message>
    <message>
        <source>The title to display on the first page of the report</source>
        <translation>Der Titel auf der ersten Seite des Berichts</translation>
    </message>
    <message>
        <source>Font</source>
        <translation>Schrift</translation>
    </message>
    <message>
        <source>Header/Footer</source>
        <translation>Kopf-/Fußzeile</translation>
    </message>
    <message>
        <source>Header details and font</source>
        <translation>Kopfzeile und Schrift</translation>
    </message>
    <message>
        <source>Display a header on the report</source>
        <translation>Eine Kopfzeile im Bericht anzeigen</translation>
    </message>
    <message>
        <source>Display header</source>
        <translation>Kopfzeile anzeigen</translation>
    </message>
    <message>
        <source>The heading to display on the report&apos;s header</source>
        <translation>Die Überschrift in der Kopfzeile des Berichts</translation>
    </message>
    <message>
        <source>Lists the font&apos;s attributes - point size, bold, italic, underline, strikeout</source>
        <translation>Führt die Merkmale der Schrift auf – Größe, fett, kursiv, unterstrichen, durchgestrichen</translation>
    </message>
    <message>
        <source>List font characteristics</source>
        <translation>Schriftmerkmale aufführen</translation>
    </message>
    <message>
        <source>Suppress the header on the first page of the report</source>
        <translation>Die Kopfzeile auf der ersten Seite des Berichts weglassen</translation>
    </message>
    <message>
        <source>Suppress on first page</source>
        <translation>Nicht auf der ersten Seite</translation>
    </message>
    <message>
        <source>Footer details and font</source>
        <translation>Fußzeile und Schrift</translation>
    </message>
    <message>
        <source>Include the date and time in the footer</source>
        <translation>Datum und Uhrzeit in die Fußzeile aufnehmen</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Include the page number in the footer</source>
        <translation>Die Seitenzahl in die Fußzeile aufnehmen</translation>
    </message>
    <message>
        <source>Page number</source>
        <translation>Seitenzahl</translation>
    </message>
    <message>
        <source>Page layout</source>
        <translation>Seitenlayout</translation>
    </message>
    <message>
        <source>Printer</source>
        <translation>Drucker</translation>
    </message>
    <message>
        <source>Select the printer to use</source>
        <translation>Den Drucker auswählen</translation>
    </message>
    <message>
        <source>Orientation</source>
        <translation>Ausrichtung</translation>
    </message>
    <message>
        <source>Specify the printer&apos;s page orientation</source>
        <translation>Die Seitenausrichtung festlegen</translation>
    </message>
    <message>
        <source>Portrait</source>
        <translation>Hochformat</translation>
    </message>
    <message>
        <source>Landscape</source>
        <translation>Querformat</translation>
    </message>
    <message>
        <source>Margins</source>
        <translation>Ränder</translation>
    </message>
    <message>
        <source>Top</source>
        <translation>Oben</translation>
    </message>
    <message>
        <source>Top margin size</source>
        <translation>Breite des oberen Rands</translation>
    </message>
    <message>
        <source>Left</source>
        <translation>Links</translation>
    </message>
    <message>
        <source>Left margin size</source>
        <translation>Breite des linken Rands</translation>
    </message>
    <message>
        <source>Right</source>
        <translation>Rechts</translation>
    </message>
    <message>
        <source>Right margin size</source>
        <translation>Breite des rechten Rands</translation>
    </message>
    <message>
        <source>Bottom</source>
        <translation>Unten</translation>
    </message>
    <message>
        <source>Bottom margin size</source>
        <translation>Breite des unteren Rands</translation>
    </message>
    <message>
        <source>Units</source>
        <translation>Einheit</translation>
    </message>
    <message>
        <source>Specify the units to use for the margin settings</source>
        <translation>Die Einheit der Randangaben festlegen</translation>
    </message>
    <message>
        <source>MM</source>
        <translation>mm</translation>
    </message>
    <message>
        <source>Inches</source>
        <translation>Zoll</translation>
    </message>
    <message>
        <source>Paper size</source>
        <translation>Papierformat</translation>
    </message>
    <message>
        <source>Specify the printer&apos;s paper size</source>
        <translation>Das Papierformat festlegen</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>One</source>
        <translation>Eine</translation>
    </message>
    <message>
        <source>Two</source>
        <translation>Zwei</translation>
    </message>
    <message>
        <source>Start at page</source>
        <translation>Beginnen bei Seite</translation>
    </message>
    <message>
        <source>Begin printing the report at the specified page</source>
        <translation>Den Druck des Berichts bei dieser Seite beginnen</translation>
    </message>
    <message>
        <source>Options</source>
        <translation>Optionen</translation>
    </message>
    <message>
        <source>Window</source>
        <translation>Fenster</translation>
    </message>
    <message>
        <source>Start the program in a minimized state</source>
        <translation>Das Programm minimiert starten</translation>
    </message>
    <message>
        <source>Start minimized</source>
        <translation>Minimiert starten</translation>
    </message>
    <message>
        <source>Startup mode</source>
        <translation>Startmodus</translation>
    </message>
    <message>
        <source>Wizard</source>
        <translation>Assistent</translation>
    </message>
    <message>
        <source>Report options</source>
        <translation>Berichtsoptionen</translation>
    </message>
    <message>
        <source>Place borders around samples</source>
        <translation>Rahmen um die Schriftproben</translation>
    </message>
    <message>
        <source>Save all settings as the default</source>
        <translation>Alle Einstellungen als Standard speichern</translation>
    </message>
    <message>
        <source>Save settings</source>
        <translation>Einstellungen speichern</translation>
    </message>
    <message>
        <source>Filter fonts</source>
        <translation>Schriften filtern</translation>
    </message>
    <message>
        <source>Show each font&apos;s own script when it
cannot show the message</source>
        <translation>Eigenes Schriftsystem jeder Schrift zeigen,
wenn sie die Nachricht nicht darstellen kann</translation>
    </message>
</context>
<context>
    <name>TfrmMain</name>
    <message>
        <source>Font catalogue for Qt desktops</source>
        <translation>Schriftkatalog für Qt-Desktops</translation>
    </message>
    <message>
        <source>Display information about this program.</source>
        <translation>Informationen über dieses Programm anzeigen.</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Toggle betwen Wizard and Advanced modes</source>
        <translation>Zwischen Assistent und erweitertem Modus wechseln</translation>
    </message>
    <message>
        <source>Advanced...</source>
        <translation>Erweitert...</translation>
    </message>
    <message>
        <source>Print the font listing !</source>
        <translation>Die Schriftliste drucken!</translation>
    </message>
    <message>
        <source>Print</source>
        <translation>Drucken</translation>
    </message>
    <message>
        <source>Preview the font listing on screen</source>
        <translation>Die Schriftliste am Bildschirm ansehen</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>Exit Typovex</source>
        <translation>Typovex beenden</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Wizard...</source>
        <translation>Assistent...</translation>
    </message>
    <message>
        <source> - ver. </source>
        <translation> - Version </translation>
    </message>
    <message>
        <source>No printer is installed.</source>
        <translation>Es ist kein Drucker installiert.</translation>
    </message>
    <message>
        <source>The catalogue could not be printed: %1</source>
        <translation>Der Katalog konnte nicht gedruckt werden: %1</translation>
    </message>
</context>
<context>
    <name>TfrmReport</name>
    <message>
        <source>Size %1</source>
        <translation>Größe %1</translation>
    </message>
    <message>
        <source>, bold</source>
        <translation>, fett</translation>
    </message>
    <message>
        <source>, italic</source>
        <translation>, kursiv</translation>
    </message>
    <message>
        <source>, underline</source>
        <translation>, unterstrichen</translation>
    </message>
    <message>
        <source>, strikeout</source>
        <translation>, durchgestrichen</translation>
    </message>
</context>
<context>
    <name>TfrmWait</name>
    <message>
        <source>Please wait ...</source>
        <translation>Bitte warten ...</translation>
    </message>
</context>
<context>
    <name>TfrmWizard</name>
    <message>
        <source>Welcome to Typovex !</source>
        <translation>Willkommen bei Typovex!</translation>
    </message>
    <message>
        <source>This program allows you to generate</source>
        <translation>Mit diesem Programm erstellen Sie</translation>
    </message>
    <message>
        <source>a listing or report displaying all your</source>
        <translation>eine Liste oder einen Bericht aller</translation>
    </message>
    <message>
        <source>installed Windows screen fonts.</source>
        <translation>installierten Bildschirmschriften.</translation>
    </message>
    <message>
        <source>This wizard will take you step-by-step</source>
        <translation>Dieser Assistent führt Sie Schritt für</translation>
    </message>
    <message>
        <source>through the questions necessary to</source>
        <translation>Schritt durch die nötigen Fragen, um</translation>
    </message>
    <message>
        <source>produce an attractive and functional</source>
        <translation>in wenigen Sekunden einen ansprechenden</translation>
    </message>
    <message>
        <source>report, in a matter of seconds.</source>
        <translation>und nützlichen Bericht zu erstellen.</translation>
    </message>
    <message>
        <source>Please a note a far more powerful</source>
        <translation>Beachten Sie: Es gibt auch einen weit</translation>
    </message>
    <message>
        <source>&quot;advanced&quot; mode is available also.</source>
        <translation>mächtigeren „erweiterten“ Modus.</translation>
    </message>
    <message>
        <source>What do you wish to do with the report?</source>
        <translation>Was möchten Sie mit dem Bericht tun?</translation>
    </message>
    <message>
        <source>Target</source>
        <translation>Ziel</translation>
    </message>
    <message>
        <source>Preview it on screen</source>
        <translation>Am Bildschirm ansehen</translation>
    </message>
    <message>
        <source>Send it to a printer</source>
        <translation>An einen Drucker senden</translation>
    </message>
    <message>
        <source>Target printer:</source>
        <translation>Zieldrucker:</translation>
    </message>
    <message>
        <source>What message would you like to</source>
        <translation>Welcher Text soll in jeder Schrift</translation>
    </message>
    <message>
        <source>be displayed in each font?</source>
        <translation>angezeigt werden?</translation>
    </message>
    <message>
        <source>You might like to print a sentence,</source>
        <translation>Sie können einen Satz drucken oder</translation>
    </message>
    <message>
        <source>or all the letters of the alphabet, in</source>
        <translation>alle Buchstaben des Alphabets, als</translation>
    </message>
    <message>
        <source>upper- or lower- case letters, or both.</source>
        <translation>Groß- oder Kleinbuchstaben oder beides.</translation>
    </message>
    <message>
        <source>Note that you can use the sequence</source>
        <translation>Die Zeichenfolge %f können Sie an</translation>
    </message>
    <message>
        <source>%f anywhere in the message, and the</source>
        <translation>beliebiger Stelle im Text verwenden;</translation>
    </message>
    <message>
        <source>name of the current font will be</source>
        <translation>an ihrer Stelle erscheint der Name der</translation>
    </message>
    <message>
        <source>substituted in its place (%F = all caps).</source>
        <translation>jeweiligen Schrift (%F = in Großbuchstaben).</translation>
    </message>
    <message>
        <source>How many columns would you like?</source>
        <translation>Wie viele Spalten möchten Sie?</translation>
    </message>
    <message>
        <source>Columns</source>
        <translation>Spalten</translation>
    </message>
    <message>
        <source>One</source>
        <translation>Eine</translation>
    </message>
    <message>
        <source>Two</source>
        <translation>Zwei</translation>
    </message>
    <message>
        <source>Would you like to include the name</source>
        <translation>Möchten Sie den Namen jeder Schrift</translation>
    </message>
    <message>
        <source>of each font next to the sample</source>
        <translation>einheitlich neben dem Mustertext</translation>
    </message>
    <message>
        <source>message, in a consistent way?</source>
        <translation>anzeigen lassen?</translation>
    </message>
    <message>
        <source>Check here for &apos;yes&apos;</source>
        <translation>Ankreuzen für „Ja“</translation>
    </message>
    <message>
        <source>Would you like a simple title at</source>
        <translation>Möchten Sie einen einfachen Titel</translation>
    </message>
    <message>
        <source>the beginning of the report?</source>
        <translation>am Anfang des Berichts?</translation>
    </message>
    <message>
        <source>What heading would you like?</source>
        <translation>Welche Überschrift möchten Sie?</translation>
    </message>
    <message>
        <source>Would you like a footer with the</source>
        <translation>Möchten Sie eine Fußzeile mit den</translation>
    </message>
    <message>
        <source>following options?</source>
        <translation>folgenden Angaben?</translation>
    </message>
    <message>
        <source>Include the date and time in the footer</source>
        <translation>Datum und Uhrzeit in die Fußzeile aufnehmen</translation>
    </message>
    <message>
        <source>Date and time</source>
        <translation>Datum und Uhrzeit</translation>
    </message>
    <message>
        <source>Include the page number in the footer</source>
        <translation>Die Seitenzahl in die Fußzeile aufnehmen</translation>
    </message>
    <message>
        <source>Page number</source>
        <translation>Seitenzahl</translation>
    </message>
    <message>
        <source>Your font listing is ready ...</source>
        <translation>Ihre Schriftliste ist fertig ...</translation>
    </message>
    <message>
        <source>Click the &apos;Finish&apos; button below to</source>
        <translation>Klicken Sie unten auf „Fertigstellen“,</translation>
    </message>
    <message>
        <source>print, or preview, your report according</source>
        <translation>um Ihren Bericht nach Ihren Angaben</translation>
    </message>
    <message>
        <source>to the specifications you have given.</source>
        <translation>zu drucken oder anzusehen.</translation>
    </message>
    <message>
        <source>Remember, Typovex also has</source>
        <translation>Denken Sie daran: Typovex hat auch</translation>
    </message>
    <message>
        <source>an &quot;advanced&quot; mode which permits</source>
        <translation>einen „erweiterten“ Modus mit weit</translation>
    </message>
    <message>
        <source>far more fine-tuning and options, but</source>
        <translation>mehr Feineinstellungen und Optionen,</translation>
    </message>
    <message>
        <source>can be a little overwhelming to begin</source>
        <translation>der anfangs aber etwas überwältigend</translation>
    </message>
    <message>
        <source>with. I hope you find this program, and</source>
        <translation>sein kann. Ich hoffe, das Programm und</translation>
    </message>
    <message>
        <source>your generated font list, useful to you.</source>
        <translation>Ihre Schriftliste sind Ihnen nützlich.</translation>
    </message>
    <message>
        <source>Go back to the previous step</source>
        <translation>Zum vorherigen Schritt zurück</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Move on to the next step</source>
        <translation>Weiter zum nächsten Schritt</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Weiter</translation>
    </message>
    <message>
        <source>Don&apos;t ask any more questions; just print it now !</source>
        <translation>Keine weiteren Fragen – jetzt einfach drucken!</translation>
    </message>
    <message>
        <source>Finish</source>
        <translation>Fertigstellen</translation>
    </message>
</context>
<context>
    <name>TypovexApplication</name>
    <message>
        <source>Unknown error</source>
        <translation>Unbekannter Fehler</translation>
    </message>
</context>
</TS>
