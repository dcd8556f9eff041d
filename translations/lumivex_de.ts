<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>lumivex::ErrorReport</name>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Bitte senden Sie ein Bildschirmfoto dieser Meldung per E-Mail an %1</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Anwendungsfehler</translation>
    </message>
</context>
<context>
    <name>lumivex::Failure</name>
    <message>
        <source>Cannot write the file (%1): %2</source>
        <translation>Die Datei kann nicht geschrieben werden (%1): %2</translation>
    </message>
    <message>
        <source>Cannot decode the picture (%1): %2</source>
        <translation>Das Bild kann nicht dekodiert werden (%1): %2</translation>
    </message>
    <message>
        <source>the file ends too early</source>
        <translation>die Datei endet zu früh</translation>
    </message>
    <message>
        <source>Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB</source>
        <translation>Das Bild ist zu groß: %1 x %2 Pixel bräuchten %3 MB; die Grenze liegt bei 2048 MB</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Datei nicht gefunden: %1</translation>
    </message>
    <message>
        <source>File cannot be opened (%1): %2</source>
        <translation>Die Datei kann nicht geöffnet werden (%1): %2</translation>
    </message>
    <message>
        <source>Not a picture file (it is a folder): %1</source>
        <translation>Keine Bilddatei (es ist ein Ordner): %1</translation>
    </message>
    <message>
        <source>Not a regular file: %1</source>
        <translation>Keine reguläre Datei: %1</translation>
    </message>
    <message>
        <source>Not a picture file this program can read: %1</source>
        <translation>Keine Bilddatei, die dieses Programm lesen kann: %1</translation>
    </message>
    <message>
        <source>Cannot save the image. GDI+ Error:%1</source>
        <translation>Das Bild kann nicht gespeichert werden. GDI+-Fehler:%1</translation>
    </message>
    <message>
        <source>Not enough memory: a picture of %1 needs %2 MB, more than the %3 MB the batch may use</source>
        <translation>Nicht genug Speicher: Ein Bild von %1 braucht %2 MB, mehr als die %3 MB, die der Stapel nutzen darf</translation>
    </message>
    <message>
        <source>There is no picture to save: %1</source>
        <translation>Es gibt kein Bild zum Speichern: %1</translation>
    </message>
    <message>
        <source>Not saved: the output would replace a source file: %1</source>
        <translation>Nicht gespeichert: Die Ausgabe würde eine Quelldatei ersetzen: %1</translation>
    </message>
    <message>
        <source>The picture could not be read: %1</source>
        <translation>Das Bild konnte nicht gelesen werden: %1</translation>
    </message>
    <message>
        <source>The source has changed since the run: %1</source>
        <translation>Die Quelle hat sich seit dem Durchlauf geändert: %1</translation>
    </message>
</context>
<context>
    <name>lumivex::Form1</name>
    <message>
        <source>Add Image File(s)</source>
        <translation>Bilddatei(en) hinzufügen</translation>
    </message>
    <message>
        <source>Add All File(s) In Folder</source>
        <translation>Ganzen Ordner hinzufügen</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>Load Sample/Example Files</source>
        <translation>Beispieldateien laden</translation>
    </message>
    <message>
        <source>Brighness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Start Adjusting Brightness</source>
        <translation>Helligkeit anpassen</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Start Adjusting Contrast</source>
        <translation>Kontrast anpassen</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Weichzeichnen</translation>
    </message>
    <message>
        <source>Start Adjusting Softening</source>
        <translation>Weichzeichnen</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Schärfen</translation>
    </message>
    <message>
        <source>Start Adjusting Sharpening</source>
        <translation>Schärfen</translation>
    </message>
    <message>
        <source>Drag and drop files here. Move | bar to the right if needed.</source>
        <translation>Dateien hierher ziehen und ablegen. Trennstrich | bei Bedarf nach rechts schieben.</translation>
    </message>
    <message>
        <source>Add File(s) - Hold Ctrl or Shift to select multiple files</source>
        <translation>Datei(en) hinzufügen - Strg oder Umschalt halten, um mehrere Dateien auszuwählen</translation>
    </message>
    <message>
        <source>All Pictures (%1)</source>
        <translation>Alle Bilder (%1)</translation>
    </message>
    <message>
        <source>Every Readable Picture (%1)</source>
        <translation>Alle lesbaren Bilder (%1)</translation>
    </message>
    <message>
        <source>All Files (%1)</source>
        <translation>Alle Dateien (%1)</translation>
    </message>
    <message>
        <source>Enter file extension to load:<byte value="xd"/><byte value="xd"/>(* for all files, txt for all txt files, doc for all doc files, etc.)</source>
        <translation>Dateiendung der zu ladenden Dateien:<byte value="xd"/><byte value="xd"/>(* für alle Dateien, txt für alle txt-Dateien, doc für alle doc-Dateien usw.)</translation>
    </message>
    <message>
        <source>Please select folder to add:</source>
        <translation>Bitte den hinzuzufügenden Ordner auswählen:</translation>
    </message>
    <message>
        <source>Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?</source>
        <translation>Soll der Ordner geöffnet werden, in dem diese Beispieldateien liegen (damit Sie sie ansehen können, bevor Sie mit ihnen arbeiten)?</translation>
    </message>
    <message>
        <source>Please add files first.</source>
        <translation>Bitte zuerst Dateien hinzufügen.</translation>
    </message>
</context>
<context>
    <name>lumivex::Form2</name>
    <message>
        <source> Before:</source>
        <translation> Vorher:</translation>
    </message>
    <message>
        <source> After (Results):</source>
        <translation> Nachher (Ergebnis):</translation>
    </message>
    <message>
        <source>Save Results To This Folder</source>
        <translation>Ergebnisse in diesem Ordner speichern</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Save Results As</source>
        <translation>Speichern als</translation>
    </message>
    <message>
        <source>JPG</source>
        <translation>JPG</translation>
    </message>
    <message>
        <source>BMP</source>
        <translation>BMP</translation>
    </message>
    <message>
        <source>JPG Quality</source>
        <translation>JPG-Qualität</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; Zurück</translation>
    </message>
    <message>
        <source>Save Results</source>
        <translation>Ergebnisse speichern</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Kein Ergebnis: %1</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>Für diesen Eintrag gibt es kein Ergebnis.</translation>
    </message>
    <message>
        <source>Please select folder:</source>
        <translation>Bitte einen Ordner auswählen:</translation>
    </message>
    <message>
        <source>Output folder does not exist.</source>
        <translation>Der Ausgabeordner existiert nicht.</translation>
    </message>
    <message>
        <source>%1: saved as %2</source>
        <translation>%1: gespeichert als %2</translation>
    </message>
    <message>
        <source>These results share a name with an earlier result, so they were saved under a numbered name:</source>
        <translation>Diese Ergebnisse tragen denselben Namen wie ein früheres Ergebnis und wurden daher unter einem nummerierten Namen gespeichert:</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Fertig.</translation>
    </message>
</context>
<context>
    <name>lumivex::SettingsStore</name>
    <message>
        <source>Not a regular file: %1<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>Keine reguläre Datei: %1<byte value="xd"/>
Die Einstellungen gelten nur bis zum Programmende.</translation>
    </message>
    <message>
        <source>The settings file cannot be read, nor kept aside (%1): %2<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>Die Einstellungsdatei kann weder gelesen noch beiseitegelegt werden (%1): %2<byte value="xd"/>
Die Einstellungen gelten nur bis zum Programmende.</translation>
    </message>
    <message>
        <source>The settings file cannot be read; it was kept as %1 and the values that could be read are used: %2</source>
        <translation>Die Einstellungsdatei kann nicht gelesen werden; sie wurde als %1 aufbewahrt, und die lesbaren Werte werden verwendet: %2</translation>
    </message>
    <message>
        <source>Cannot save the settings (%1): %2</source>
        <translation>Die Einstellungen können nicht gespeichert werden (%1): %2</translation>
    </message>
</context>
</TS>
