<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ControlNames</name>
    <message>
        <source>Adjusts the brightness, contrast, softening or sharpening of a list of pictures. F1 lists the keys.</source>
        <translation>Passt Helligkeit, Kontrast, Weichzeichnen oder Schärfen einer Liste von Bildern an. F1 zeigt die Tasten.</translation>
    </message>
    <message>
        <source>Image list</source>
        <translation>Bilderliste</translation>
    </message>
    <message>
        <source>The files to adjust. Delete removes the selected file; files and folders can be dropped here.</source>
        <translation>Die anzupassenden Dateien. Delete entfernt die ausgewählte Datei; Dateien und Ordner können hier abgelegt werden.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Fortschritt</translation>
    </message>
    <message>
        <source>How far the run is.</source>
        <translation>Wie weit der Durchlauf ist.</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Brightness strength</source>
        <translation>Stärke der Helligkeit</translation>
    </message>
    <message>
        <source>From -100 to 100.</source>
        <translation>Von -100 bis 100.</translation>
    </message>
    <message>
        <source>Contrast strength</source>
        <translation>Stärke des Kontrasts</translation>
    </message>
    <message>
        <source>From 0 to 100; 50 leaves the pictures as they are.</source>
        <translation>Von 0 bis 100; 50 lässt die Bilder unverändert.</translation>
    </message>
    <message>
        <source>Softening strength</source>
        <translation>Stärke des Weichzeichnens</translation>
    </message>
    <message>
        <source>From 1 to 10.</source>
        <translation>Von 1 bis 10.</translation>
    </message>
    <message>
        <source>Sharpening strength</source>
        <translation>Stärke des Schärfens</translation>
    </message>
    <message>
        <source>Adjusts every picture of the list with this panel&apos;s strength. Esc stops the run.</source>
        <translation>Passt jedes Bild der Liste mit der Stärke dieses Felds an. Esc hält den Durchlauf an.</translation>
    </message>
    <message>
        <source>Ctrl+O. Chooses picture files to add to the list.</source>
        <translation>Ctrl+O. Wählt Bilddateien aus, die der Liste hinzugefügt werden.</translation>
    </message>
    <message>
        <source>Adds the files of a folder and its subfolders.</source>
        <translation>Fügt die Dateien eines Ordners und seiner Unterordner hinzu.</translation>
    </message>
    <message>
        <source>Removes every file from the list.</source>
        <translation>Entfernt alle Dateien aus der Liste.</translation>
    </message>
    <message>
        <source>Adds the sample pictures that come with the program.</source>
        <translation>Fügt die mitgelieferten Beispielbilder hinzu.</translation>
    </message>
    <message>
        <source>Arrow keys scroll, Page Up and Page Down by a page (with Shift sideways), Home and End to the corners; F shows both pictures whole or at 100 %.</source>
        <translation>Pfeiltasten blättern, Page Up und Page Down um eine Seite (mit Shift seitwärts), Home und End zu den Ecken; F zeigt beide Bilder ganz oder in 100 %.</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>The adjusted picture. </source>
        <translation>Das angepasste Bild. </translation>
    </message>
    <message>
        <source>The source picture. </source>
        <translation>Das Ausgangsbild. </translation>
    </message>
    <message>
        <source>After picture</source>
        <translation>Nachher-Bild</translation>
    </message>
    <message>
        <source>Before picture</source>
        <translation>Vorher-Bild</translation>
    </message>
    <message>
        <source>After picture area</source>
        <translation>Nachher-Bildbereich</translation>
    </message>
    <message>
        <source>Before picture area</source>
        <translation>Vorher-Bildbereich</translation>
    </message>
    <message>
        <source>After, horizontal scroll</source>
        <translation>Nachher, waagerecht blättern</translation>
    </message>
    <message>
        <source>Before, horizontal scroll</source>
        <translation>Vorher, waagerecht blättern</translation>
    </message>
    <message>
        <source>After, vertical scroll</source>
        <translation>Nachher, senkrecht blättern</translation>
    </message>
    <message>
        <source>Before, vertical scroll</source>
        <translation>Vorher, senkrecht blättern</translation>
    </message>
    <message>
        <source>Review the results and save them. F1 lists the keys.</source>
        <translation>Ergebnisse prüfen und speichern. F1 zeigt die Tasten.</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Ergebnisse</translation>
    </message>
    <message>
        <source>One row per picture of the run; the selected one is shown below.</source>
        <translation>Eine Zeile je Bild des Durchlaufs; das ausgewählte wird unten gezeigt.</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Ausgabeordner</translation>
    </message>
    <message>
        <source>The folder the results are saved into.</source>
        <translation>Der Ordner, in den die Ergebnisse gespeichert werden.</translation>
    </message>
    <message>
        <source>Browse for the output folder</source>
        <translation>Ausgabeordner suchen</translation>
    </message>
    <message>
        <source>Save the results as JPEG files.</source>
        <translation>Die Ergebnisse als JPEG-Dateien speichern.</translation>
    </message>
    <message>
        <source>Save the results as BMP files.</source>
        <translation>Die Ergebnisse als BMP-Dateien speichern.</translation>
    </message>
    <message>
        <source>JPG quality</source>
        <translation>JPG-Qualität</translation>
    </message>
    <message>
        <source>From 1 to 100.</source>
        <translation>Von 1 bis 100.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Returns to the image list.</source>
        <translation>Kehrt zur Bilderliste zurück.</translation>
    </message>
    <message>
        <source>Ctrl+S. Saves every result into the output folder; Esc stops the save.</source>
        <translation>Ctrl+S. Speichert jedes Ergebnis im Ausgabeordner; Esc hält das Speichern an.</translation>
    </message>
    <message>
        <source>Answers</source>
        <translation>Antworten</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Meldung</translation>
    </message>
</context>
<context>
    <name>KeyTexts</name>
    <message>
        <source>Keys
Tab, Shift+Tab: next or previous control
Space, Enter: press the focused button
Arrow keys, Page Up, Page Down, Home, End: move the focused slider, list selection or option
F1: this box

Main window
Ctrl+O: Add Image File(s)
Delete: remove the selected file from the list
Esc: stop the run (the pictures done so far are kept)

Results window
Ctrl+S: Save Results
Esc: stop saving (every file written is whole)
Before and After panes: arrow keys scroll; Page Up, Page Down by a page (with Shift sideways); Home, End to the corners; F shows both pictures whole or at 100 %

Compare view (Space on a row of the image list; Enter or Space on a result)
F or 0: fit; 1: 100 %; + and -: zoom in and out; arrow keys: pan
S: split view; [ and ]: move the divider
Page Up, Page Down: previous or next result
F11: full screen; Esc, Ctrl+W: leave full screen, else close the view

Lumivex %1
Licence: GPL-3.0-or-later (GNU General Public License, version 3 or any later version)</source>
        <translation>Tasten
Tab, Shift+Tab: nächstes oder vorheriges Element
Space, Enter: die Schaltfläche mit dem Fokus drücken
Pfeiltasten, Page Up, Page Down, Home, End: Schieberegler, Listenauswahl oder Option mit dem Fokus bewegen
F1: dieses Fenster

Hauptfenster
Ctrl+O: Bilddatei(en) hinzufügen
Delete: die ausgewählte Datei aus der Liste entfernen
Esc: den Durchlauf anhalten (die fertigen Bilder bleiben erhalten)

Ergebnisfenster
Ctrl+S: Ergebnisse speichern
Esc: das Speichern anhalten (jede geschriebene Datei ist vollständig)
Vorher- und Nachher-Bereich: Pfeiltasten blättern; Page Up, Page Down um eine Seite (mit Shift seitwärts); Home, End zu den Ecken; F zeigt beide Bilder ganz oder in 100 %

Vergleichsansicht (Space auf einer Zeile der Bildliste; Enter oder Space auf einem Ergebnis)
F oder 0: einpassen; 1: 100 %; + und -: vergrößern und verkleinern; Pfeiltasten: verschieben
S: geteilte Ansicht; [ und ]: Trennlinie verschieben
Page Up, Page Down: vorheriges oder nächstes Ergebnis
F11: Vollbild; Esc, Ctrl+W: Vollbild verlassen, sonst die Ansicht schließen

Lumivex %1
Lizenz: GPL-3.0-or-later (GNU General Public License, Version 3 oder jede spätere Version)</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareCanvas</name>
    <message>
        <source>Before and After</source>
        <translation>Vorher und Nachher</translation>
    </message>
    <message>
        <source>The picture before and after the adjustment, at the same place and scale</source>
        <translation>Das Bild vor und nach der Anpassung, an derselben Stelle und im selben Maßstab</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Vorher</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Nachher</translation>
    </message>
</context>
<context>
    <name>lumivex::ComparePreviewLink</name>
    <message>
        <source>No picture is selected in the list.</source>
        <translation>In der Liste ist kein Bild ausgewählt.</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vorschau</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareResultsLink</name>
    <message>
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareView</name>
    <message>
        <source>Brightness</source>
        <translation>Helligkeit</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Kontrast</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Weichzeichnen</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Schärfen</translation>
    </message>
    <message>
        <source>Picture, adjustment and zoom</source>
        <translation>Bild, Anpassung und Zoom</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Previous picture</source>
        <translation>Vorheriges Bild</translation>
    </message>
    <message>
        <source>Next picture</source>
        <translation>Nächstes Bild</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Einpassen</translation>
    </message>
    <message>
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Verkleinern</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Vergrößern</translation>
    </message>
    <message>
        <source>Split view</source>
        <translation>Geteilte Ansicht</translation>
    </message>
    <message>
        <source>Split view (S); move the divider with [ and ]</source>
        <translation>Geteilte Ansicht (S); Trennlinie mit [ und ] verschieben</translation>
    </message>
    <message>
        <source>Full screen</source>
        <translation>Vollbild</translation>
    </message>
    <message>
        <source>Move the divider left</source>
        <translation>Trennlinie nach links</translation>
    </message>
    <message>
        <source>Move the divider right</source>
        <translation>Trennlinie nach rechts</translation>
    </message>
    <message>
        <source>Pan left</source>
        <translation>Nach links verschieben</translation>
    </message>
    <message>
        <source>Pan right</source>
        <translation>Nach rechts verschieben</translation>
    </message>
    <message>
        <source>Pan up</source>
        <translation>Nach oben verschieben</translation>
    </message>
    <message>
        <source>Pan down</source>
        <translation>Nach unten verschieben</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
    <message>
        <source>Leave full screen, or close the view (Esc)</source>
        <translation>Vollbild verlassen oder Ansicht schließen (Esc)</translation>
    </message>
    <message>
        <source>◀ Previous</source>
        <translation>◀ Zurück</translation>
    </message>
    <message>
        <source>Next ▶</source>
        <translation>Weiter ▶</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Geteilt</translation>
    </message>
    <message>
        <source>There are no results to show.</source>
        <translation>Es gibt keine Ergebnisse zum Anzeigen.</translation>
    </message>
    <message>
        <source>Reading the picture…</source>
        <translation>Bild wird gelesen…</translation>
    </message>
    <message>
        <source>Making the result…</source>
        <translation>Ergebnis wird erstellt…</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Vergleich</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fehlgeschlagen</translation>
    </message>
    <message>
        <source>Fit (%1)</source>
        <translation>Eingepasst (%1)</translation>
    </message>
    <message>
        <source>updating…</source>
        <translation>wird aktualisiert…</translation>
    </message>
</context>
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
    <message>
        <source>Out of memory</source>
        <translation>Nicht genug Arbeitsspeicher</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>Für diesen Eintrag gibt es kein Ergebnis.</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Kein Ergebnis: %1</translation>
    </message>
    <message>
        <source>The result could not be made: %1</source>
        <translation>Das Ergebnis konnte nicht erstellt werden: %1</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>das Bild hat keine Pixel</translation>
    </message>
    <message>
        <source>the file is larger than 2 GB</source>
        <translation>die Datei ist größer als 2 GB</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>der Decoder lieferte kein Bild</translation>
    </message>
    <message>
        <source>unknown JPEG error</source>
        <translation>unbekannter JPEG-Fehler</translation>
    </message>
    <message>
        <source>libjxl cannot start</source>
        <translation>libjxl kann nicht starten</translation>
    </message>
    <message>
        <source>libjxl cannot read the file</source>
        <translation>libjxl kann die Datei nicht lesen</translation>
    </message>
    <message>
        <source>libjxl gave an unexpected picture size</source>
        <translation>libjxl lieferte eine unerwartete Bildgröße</translation>
    </message>
    <message>
        <source>libjxl cannot write the picture</source>
        <translation>libjxl kann das Bild nicht schreiben</translation>
    </message>
    <message>
        <source>the file holds no picture</source>
        <translation>die Datei enthält kein Bild</translation>
    </message>
    <message>
        <source>a PNG chunk is corrupt</source>
        <translation>ein PNG-Block ist beschädigt</translation>
    </message>
    <message>
        <source>unknown PNG error</source>
        <translation>unbekannter PNG-Fehler</translation>
    </message>
    <message>
        <source>LibRaw does not know this camera&apos;s files</source>
        <translation>LibRaw kennt die Dateien dieser Kamera nicht</translation>
    </message>
    <message>
        <source>LibRaw gave no 8-bit picture</source>
        <translation>LibRaw lieferte kein 8-Bit-Bild</translation>
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
        <translation>Dateien hierher ziehen. Trennstrich | bei Bedarf nach rechts schieben.</translation>
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
    <message>
        <source>Esc stops the run</source>
        <translation>Esc hält den Durchlauf an</translation>
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
    <message>
        <source>%1; Esc stops the save</source>
        <translation>%1; Esc hält das Speichern an</translation>
    </message>
    <message>
        <source>Saving %1 of %2</source>
        <translation>Speichern: %1 von %2</translation>
    </message>
    <message>
        <source>Saving stopped after %1 of %2 files.</source>
        <translation>Speichern nach %1 von %2 Dateien angehalten.</translation>
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
    <message>
        <source>The settings file is larger than 1 MB, which settings never are; it was kept as %1 unread: %2</source>
        <translation>Die Einstellungsdatei ist größer als 1 MB, was Einstellungen nie sind; sie wurde ungelesen als %1 beiseitegelegt: %2</translation>
    </message>
</context>
</TS>
