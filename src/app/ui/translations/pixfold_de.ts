<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de_DE">
<context>
    <name>ConversionSettings</name>
    <message>
        <source>User defined</source>
        <translation>Benutzerdefiniert</translation>
    </message>
</context>
<context>
    <name>FailureReason</name>
    <message>
        <source>not a file of this format</source>
        <translation>keine Datei dieses Formats</translation>
    </message>
    <message>
        <source>truncated file</source>
        <translation>unvollständige Datei</translation>
    </message>
    <message>
        <source>unsupported bit depth or colour layout</source>
        <translation>nicht unterstützte Farbtiefe oder Farbanordnung</translation>
    </message>
    <message>
        <source>unsupported compression</source>
        <translation>nicht unterstützte Komprimierung</translation>
    </message>
    <message>
        <source>picture too large</source>
        <translation>Bild zu groß</translation>
    </message>
    <message>
        <source>corrupt data</source>
        <translation>beschädigte Daten</translation>
    </message>
    <message>
        <source>no picture in the file</source>
        <translation>kein Bild in der Datei</translation>
    </message>
    <message>
        <source>no reader or writer for this file type</source>
        <translation>kein Lese- oder Schreibmodul für diesen Dateityp</translation>
    </message>
    <message>
        <source>cannot open the file</source>
        <translation>Datei kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>cannot write the file</source>
        <translation>Datei kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>Zugriff verweigert</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>nicht genügend Arbeitsspeicher</translation>
    </message>
    <message>
        <source>cannot create the folder</source>
        <translation>Ordner kann nicht angelegt werden</translation>
    </message>
    <message>
        <source>unsupported feature</source>
        <translation>nicht unterstützte Funktion</translation>
    </message>
    <message>
        <source>the destination exists</source>
        <translation>Zieldatei bereits vorhanden</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>keine reguläre Datei</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>unbekannter Fehler</translation>
    </message>
</context>
<context>
    <name>PrintLayout</name>
    <message>
        <source>One picture per page</source>
        <translation>Ein Bild pro Seite</translation>
    </message>
    <message>
        <source>6 per page (2 x 3)</source>
        <translation>6 pro Seite (2 × 3)</translation>
    </message>
    <message>
        <source>12 per page (3 x 4)</source>
        <translation>12 pro Seite (3 × 4)</translation>
    </message>
    <message>
        <source>20 per page (4 x 5)</source>
        <translation>20 pro Seite (4 × 5)</translation>
    </message>
</context>
<context>
    <name>RunResult</name>
    <message>
        <source>converted from a damaged source: %1</source>
        <translation>konvertiert, Quelle beschädigt: %1</translation>
    </message>
    <message>
        <source>converted</source>
        <translation>konvertiert</translation>
    </message>
    <message>
        <source>renamed to %1, converted from a damaged source: %2</source>
        <translation>umbenannt in %1, konvertiert, Quelle beschädigt: %2</translation>
    </message>
    <message>
        <source>renamed to %1</source>
        <translation>umbenannt in %1</translation>
    </message>
    <message>
        <source>skipped (exists)</source>
        <translation>übersprungen (vorhanden)</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>fehlgeschlagen: %1</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2</source>
        <translation>Angehalten nach %1 von %2</translation>
    </message>
    <message numerus="yes">
        <source>%n converted</source>
        <translation>
            <numerusform>%n konvertiert</numerusform>
            <numerusform>%n konvertiert</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>(%n from damaged sources)</source>
        <translation>
            <numerusform>(%n aus beschädigter Quelle)</numerusform>
            <numerusform>(%n aus beschädigten Quellen)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n fehlgeschlagen</numerusform>
            <numerusform>%n fehlgeschlagen</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>%n übersprungen</numerusform>
            <numerusform>%n übersprungen</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Scanner</name>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>The scan could not start</source>
        <translation>Der Scan konnte nicht beginnen</translation>
    </message>
    <message>
        <source>The scanner sends pictures in a form this program does not read</source>
        <translation>Der Scanner liefert Bilder in einer Form, die dieses Programm nicht lesen kann</translation>
    </message>
    <message>
        <source>The scan is larger than can be held</source>
        <translation>Der Scan ist zu groß für den Speicher</translation>
    </message>
    <message>
        <source>The scan stopped</source>
        <translation>Der Scan wurde abgebrochen</translation>
    </message>
    <message>
        <source>The scanner sent no picture</source>
        <translation>Der Scanner hat kein Bild geliefert</translation>
    </message>
    <message>
        <source>The scanner sent colour passes of different sizes</source>
        <translation>Der Scanner hat Farbdurchgänge unterschiedlicher Größe geliefert</translation>
    </message>
    <message>
        <source>Scanning is busy in another part of the program</source>
        <translation>Der Scanner wird bereits von einem anderen Teil des Programms verwendet</translation>
    </message>
    <message>
        <source>The scanner cannot be opened</source>
        <translation>Der Scanner kann nicht geöffnet werden</translation>
    </message>
    <message>
        <source>Not enough memory for the scan</source>
        <translation>Nicht genügend Arbeitsspeicher für den Scan</translation>
    </message>
</context>
<context>
    <name>Transition</name>
    <message>
        <source>Cut</source>
        <translation>Schnitt</translation>
    </message>
    <message>
        <source>Cross-fade</source>
        <translation>Überblenden</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Wischen</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Schieben</translation>
    </message>
    <message>
        <source>Zoom</source>
        <translation>Zoom</translation>
    </message>
</context>
<context>
    <name>pix::TAlbumPanel</name>
    <message>
        <source>List</source>
        <translation>Liste</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Miniaturen</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Acquire from scanner...</source>
        <translation>Vom &amp;Scanner einlesen …</translation>
    </message>
    <message>
        <source>Print pre&amp;view...</source>
        <translation>Druck&amp;vorschau …</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Drucken …</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>&amp;Slideshow...</source>
        <translation>&amp;Diaschau …</translation>
    </message>
    <message>
        <source>There are no pictures to show.</source>
        <translation>Es gibt keine Bilder zum Anzeigen.</translation>
    </message>
    <message>
        <source>There are no pictures to print.</source>
        <translation>Es gibt keine Bilder zum Drucken.</translation>
    </message>
    <message>
        <source>The printer could not be started.</source>
        <translation>Der Drucker konnte nicht gestartet werden.</translation>
    </message>
</context>
<context>
    <name>pix::TThumbnailListModel</name>
    <message>
        <source>No thumbnail: %1</source>
        <translation>Keine Miniatur: %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmAbout</name>
    <message>
        <source>About Pixfold</source>
        <translation>Über Pixfold</translation>
    </message>
    <message>
        <source>Batch photo converter for handheld devices</source>
        <translation>Foto-Stapelkonverter für Handheld-Geräte</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Schließen</translation>
    </message>
</context>
<context>
    <name>pix::TfrmFileExists</name>
    <message>
        <source>File exists</source>
        <translation>Datei bereits vorhanden</translation>
    </message>
    <message>
        <source>This file allready exists in the destination folder:</source>
        <translation>Diese Datei ist im Zielordner bereits vorhanden:</translation>
    </message>
    <message>
        <source>Please select action:</source>
        <translation>Bitte wählen Sie, was geschehen soll:</translation>
    </message>
    <message>
        <source>Replace this file</source>
        <translation>Diese Datei ersetzen</translation>
    </message>
    <message>
        <source>Replace this file and all others that exists in the destination folder</source>
        <translation>Diese und alle weiteren vorhandenen Dateien im Zielordner ersetzen</translation>
    </message>
    <message>
        <source>Skip this file</source>
        <translation>Diese Datei überspringen</translation>
    </message>
    <message>
        <source>Skip this file and all others that exists in the destination folder</source>
        <translation>Diese und alle weiteren vorhandenen Dateien im Zielordner überspringen</translation>
    </message>
    <message>
        <source>Save this file with another name</source>
        <translation>Diese Datei unter einem anderen Namen speichern</translation>
    </message>
    <message>
        <source>Save all files that exists in the destination folder with another name</source>
        <translation>Alle im Zielordner vorhandenen Dateien unter anderem Namen speichern</translation>
    </message>
    <message>
        <source>Cancel image conversion</source>
        <translation>Konvertierung abbrechen</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
</context>
<context>
    <name>pix::TfrmHelp</name>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
</context>
<context>
    <name>pix::TfrmMainWin</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>%1 kann nicht geschrieben werden</translation>
    </message>
    <message>
        <source>Select source folder</source>
        <translation>Quellordner auswählen</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Zielordner auswählen</translation>
    </message>
    <message>
        <source>The source folder does not exist: %1</source>
        <translation>Der Quellordner existiert nicht: %1</translation>
    </message>
    <message>
        <source>No pictures to convert in %1</source>
        <translation>Keine Bilder zum Konvertieren in %1</translation>
    </message>
    <message>
        <source>Choose a source folder and a destination folder.</source>
        <translation>Wählen Sie einen Quell- und einen Zielordner.</translation>
    </message>
    <message>
        <source>Source and destination directory should be different.</source>
        <translation>Quell- und Zielordner müssen verschieden sein.</translation>
    </message>
    <message>
        <source>P&amp;ath</source>
        <translation>&amp;Pfad</translation>
    </message>
    <message>
        <source>Choose the source folder (Ctrl+O)</source>
        <translation>Quellordner auswählen (Strg+O)</translation>
    </message>
    <message>
        <source>Choose the destination folder (Ctrl+Shift+O)</source>
        <translation>Zielordner auswählen (Strg+Umschalt+O)</translation>
    </message>
    <message>
        <source>Include subdirectories</source>
        <translation>Unterordner einbeziehen</translation>
    </message>
    <message>
        <source>Convert all images to jpg</source>
        <translation>Alle Bilder als JPG speichern</translation>
    </message>
    <message>
        <source>Save as original imagetype</source>
        <translation>Im Originalformat speichern</translation>
    </message>
    <message>
        <source>Convert JPG images</source>
        <translation>JPG-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert GIF images</source>
        <translation>GIF-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert BMP images</source>
        <translation>BMP-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert PNG images</source>
        <translation>PNG-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert TIFF images</source>
        <translation>TIFF-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert HEIC, AVIF and WebP images</source>
        <translation>HEIC-, AVIF- und WebP-Bilder konvertieren</translation>
    </message>
    <message>
        <source>Convert other images (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</source>
        <translation>Andere Bilder konvertieren (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</translation>
    </message>
    <message>
        <source>Sou&amp;rce image folder</source>
        <translation>&amp;Quellordner</translation>
    </message>
    <message>
        <source>&amp;Destination image folder</source>
        <translation>&amp;Zielordner</translation>
    </message>
    <message>
        <source>&amp;Conversion rules</source>
        <translation>&amp;Konvertierungsregeln</translation>
    </message>
    <message>
        <source>Convert to grayscale</source>
        <translation>In Graustufen umwandeln</translation>
    </message>
    <message>
        <source>Do not rotate image</source>
        <translation>Bild nicht drehen</translation>
    </message>
    <message>
        <source>Rotate 90 deg. left</source>
        <translation>Um 90° nach links drehen</translation>
    </message>
    <message>
        <source>Rotate 90 deg. right</source>
        <translation>Um 90° nach rechts drehen</translation>
    </message>
    <message>
        <source>Only rotate landscape</source>
        <translation>Nur Bilder im Querformat</translation>
    </message>
    <message>
        <source>pictures</source>
        <translation>drehen</translation>
    </message>
    <message>
        <source>Turn photos upright</source>
        <translation>Fotos automatisch ausrichten</translation>
    </message>
    <message>
        <source>Turn and mirror each photo as its camera&apos;s orientation tag says, first</source>
        <translation>Dreht und spiegelt jedes Foto zuerst so, wie es die Ausrichtungsangabe der Kamera vorgibt</translation>
    </message>
    <message>
        <source>Keep all metadata</source>
        <translation>Alle Metadaten behalten</translation>
    </message>
    <message>
        <source>Compact metadata</source>
        <translation>Metadaten reduzieren</translation>
    </message>
    <message>
        <source>Strip metadata</source>
        <translation>Metadaten entfernen</translation>
    </message>
    <message>
        <source>&amp;Image size</source>
        <translation>&amp;Bildgröße</translation>
    </message>
    <message>
        <source>Max width</source>
        <translation>Max. Breite</translation>
    </message>
    <message>
        <source>Max height</source>
        <translation>Max. Höhe</translation>
    </message>
    <message>
        <source>JPG &amp;quality</source>
        <translation>JPG-Qua&amp;lität</translation>
    </message>
    <message>
        <source>min</source>
        <translation>min</translation>
    </message>
    <message>
        <source>max</source>
        <translation>max</translation>
    </message>
    <message>
        <source>&amp;Metadata</source>
        <translation>&amp;Metadaten</translation>
    </message>
    <message>
        <source>&amp;Start converting</source>
        <translation>Konvertierung &amp;starten</translation>
    </message>
    <message>
        <source>S&amp;top converting</source>
        <translation>Konvertierung a&amp;nhalten</translation>
    </message>
    <message>
        <source>Conversion stat&amp;us</source>
        <translation>S&amp;tatus der Konvertierung</translation>
    </message>
    <message>
        <source>Subfolder</source>
        <translation>Unterordner</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Datei</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>&amp;Using Pixfold...</source>
        <translation>Pixfold &amp;verwenden …</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>Ü&amp;ber Pixfold …</translation>
    </message>
    <message>
        <source>Compact keeps date, camera and exposure, drops thumbnails, GPS and colour profiles; strip keeps nothing</source>
        <translation>„Reduzieren“ behält Datum, Kamera und Belichtung und verwirft Vorschaubilder, GPS-Daten und Farbprofile; „Entfernen“ behält nichts</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPictureViewer</name>
    <message>
        <source>%1 cannot be shown: %2</source>
        <translation>%1 kann nicht angezeigt werden: %2</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPrintOptions</name>
    <message>
        <source>Print pictures</source>
        <translation>Bilder drucken</translation>
    </message>
    <message>
        <source>The &amp;selected pictures (%1)</source>
        <translation>Die &amp;ausgewählten Bilder (%1)</translation>
    </message>
    <message numerus="yes">
        <source>A contact sheet of the &amp;album (%n pictures)</source>
        <translation>
            <numerusform>Ein &amp;Kontaktbogen des Albums (%n Bild)</numerusform>
            <numerusform>Ein &amp;Kontaktbogen des Albums (%n Bilder)</numerusform>
        </translation>
    </message>
    <message>
        <source>File &amp;names under the pictures</source>
        <translation>Datei&amp;namen unter den Bildern</translation>
    </message>
    <message>
        <source>&amp;Layout</source>
        <translation>&amp;Layout</translation>
    </message>
</context>
<context>
    <name>pix::TfrmScanner</name>
    <message>
        <source>Acquire from scanner</source>
        <translation>Vom Scanner einlesen</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Scannen</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>Anhal&amp;ten</translation>
    </message>
    <message>
        <source>Save to the &amp;source folder</source>
        <translation>In den &amp;Quellordner speichern</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>Schl&amp;ießen</translation>
    </message>
    <message>
        <source>Looking for scanners...</source>
        <translation>Suche nach Scannern …</translation>
    </message>
    <message>
        <source>Sc&amp;anner</source>
        <translation>S&amp;canner</translation>
    </message>
    <message>
        <source>&amp;Resolution</source>
        <translation>&amp;Auflösung</translation>
    </message>
    <message>
        <source>&amp;Mode</source>
        <translation>&amp;Modus</translation>
    </message>
    <message>
        <source>No scanner answered within %1 seconds.</source>
        <translation>Innerhalb von %1 Sekunden hat kein Scanner geantwortet.</translation>
    </message>
    <message>
        <source>No scanner was found. Connect a scanner, switch it on and try again.</source>
        <translation>Es wurde kein Scanner gefunden. Schließen Sie einen Scanner an, schalten Sie ihn ein und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>%1 dpi</source>
        <translation>%1 dpi</translation>
    </message>
    <message>
        <source>Scanning...</source>
        <translation>Scannen …</translation>
    </message>
    <message>
        <source>Scanned %1 x %2 pixels%3.</source>
        <translation>Gescannt: %1 × %2 Pixel%3.</translation>
    </message>
    <message>
        <source> at %1 dpi</source>
        <translation> bei %1 dpi</translation>
    </message>
    <message>
        <source>The scan was stopped.</source>
        <translation>Der Scan wurde angehalten.</translation>
    </message>
    <message>
        <source>Choose an existing source folder in the window first.</source>
        <translation>Wählen Sie zuerst im Hauptfenster einen vorhandenen Quellordner.</translation>
    </message>
    <message>
        <source>The scan could not be saved: %1</source>
        <translation>Der Scan konnte nicht gespeichert werden: %1</translation>
    </message>
    <message>
        <source>Saved as %1</source>
        <translation>Gespeichert als %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshow</name>
    <message>
        <source>Slideshow - Pixfold</source>
        <translation>Diaschau – Pixfold</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>(paused)</source>
        <translation>(angehalten)</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshowOptions</name>
    <message>
        <source>Slideshow</source>
        <translation>Diaschau</translation>
    </message>
    <message>
        <source>&amp;Source pictures (%1)</source>
        <translation>&amp;Originalbilder (%1)</translation>
    </message>
    <message>
        <source>&amp;Converted pictures (%1)</source>
        <translation>&amp;Konvertierte Bilder (%1)</translation>
    </message>
    <message>
        <source>&amp;Transition</source>
        <translation>Über&amp;gang</translation>
    </message>
    <message>
        <source>Seconds per &amp;picture</source>
        <translation>&amp;Sekunden pro Bild</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Bildschirm</translation>
    </message>
    <message>
        <source>%1 x %2, as the handheld shows it</source>
        <translation>%1 × %2, wie das Gerät es zeigt</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Abspielen</translation>
    </message>
</context>
</TS>
