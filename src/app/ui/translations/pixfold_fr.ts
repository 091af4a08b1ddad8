<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>ConversionSettings</name>
    <message>
        <source>User defined</source>
        <translation>Personnalisée</translation>
    </message>
</context>
<context>
    <name>FailureReason</name>
    <message>
        <source>not a file of this format</source>
        <translation>pas un fichier de ce format</translation>
    </message>
    <message>
        <source>truncated file</source>
        <translation>fichier tronqué</translation>
    </message>
    <message>
        <source>unsupported bit depth or colour layout</source>
        <translation>profondeur de bits ou organisation des couleurs non prise en charge</translation>
    </message>
    <message>
        <source>unsupported compression</source>
        <translation>compression non prise en charge</translation>
    </message>
    <message>
        <source>picture too large</source>
        <translation>image trop grande</translation>
    </message>
    <message>
        <source>corrupt data</source>
        <translation>données corrompues</translation>
    </message>
    <message>
        <source>no picture in the file</source>
        <translation>aucune image dans le fichier</translation>
    </message>
    <message>
        <source>no reader or writer for this file type</source>
        <translation>aucun module de lecture ou d’écriture pour ce type de fichier</translation>
    </message>
    <message>
        <source>cannot open the file</source>
        <translation>impossible d’ouvrir le fichier</translation>
    </message>
    <message>
        <source>cannot write the file</source>
        <translation>impossible d’écrire le fichier</translation>
    </message>
    <message>
        <source>disk full</source>
        <translation>disque plein</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>accès refusé</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>mémoire insuffisante</translation>
    </message>
    <message>
        <source>cannot create the folder</source>
        <translation>impossible de créer le dossier</translation>
    </message>
    <message>
        <source>unsupported feature</source>
        <translation>fonctionnalité non prise en charge</translation>
    </message>
    <message>
        <source>the destination exists</source>
        <translation>la destination existe déjà</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>pas un fichier ordinaire</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>erreur inconnue</translation>
    </message>
</context>
<context>
    <name>PrintLayout</name>
    <message>
        <source>One picture per page</source>
        <translation>Une image par page</translation>
    </message>
    <message>
        <source>6 per page (2 x 3)</source>
        <translation>6 par page (2 × 3)</translation>
    </message>
    <message>
        <source>12 per page (3 x 4)</source>
        <translation>12 par page (3 × 4)</translation>
    </message>
    <message>
        <source>20 per page (4 x 5)</source>
        <translation>20 par page (4 × 5)</translation>
    </message>
</context>
<context>
    <name>RunResult</name>
    <message>
        <source>converted from a damaged source: %1</source>
        <translation>converti, source endommagée&#xa0;: %1</translation>
    </message>
    <message>
        <source>converted</source>
        <translation>converti</translation>
    </message>
    <message>
        <source>renamed to %1, converted from a damaged source: %2</source>
        <translation>renommé en %1, converti, source endommagée&#xa0;: %2</translation>
    </message>
    <message>
        <source>renamed to %1</source>
        <translation>renommé en %1</translation>
    </message>
    <message>
        <source>skipped (exists)</source>
        <translation>ignoré (existe déjà)</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>échec&#xa0;: %1</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2</source>
        <translation>Arrêté après %1 sur %2</translation>
    </message>
    <message numerus="yes">
        <source>%n converted</source>
        <translation>
            <numerusform>%n converti</numerusform>
            <numerusform>%n convertis</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>(%n from damaged sources)</source>
        <translation>
            <numerusform>(%n d’une source endommagée)</numerusform>
            <numerusform>(%n de sources endommagées)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n en échec</numerusform>
            <numerusform>%n en échec</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>%n ignoré</numerusform>
            <numerusform>%n ignorés</numerusform>
        </translation>
    </message>
</context>
<context>
    <name>Scanner</name>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>The scan could not start</source>
        <translation>La numérisation n’a pas pu démarrer</translation>
    </message>
    <message>
        <source>The scanner sends pictures in a form this program does not read</source>
        <translation>Le scanner envoie les images sous une forme que ce programme ne sait pas lire</translation>
    </message>
    <message>
        <source>The scan is larger than can be held</source>
        <translation>La numérisation est trop grande pour tenir en mémoire</translation>
    </message>
    <message>
        <source>The scan stopped</source>
        <translation>La numérisation s’est interrompue</translation>
    </message>
    <message>
        <source>The scanner sent no picture</source>
        <translation>Le scanner n’a envoyé aucune image</translation>
    </message>
    <message>
        <source>The scanner sent colour passes of different sizes</source>
        <translation>Le scanner a envoyé des passes de couleur de tailles différentes</translation>
    </message>
    <message>
        <source>Scanning is busy in another part of the program</source>
        <translation>Le scanner est déjà utilisé par une autre partie du programme</translation>
    </message>
    <message>
        <source>The scanner cannot be opened</source>
        <translation>Impossible d’ouvrir le scanner</translation>
    </message>
    <message>
        <source>Not enough memory for the scan</source>
        <translation>Mémoire insuffisante pour la numérisation</translation>
    </message>
</context>
<context>
    <name>Transition</name>
    <message>
        <source>Cut</source>
        <translation>Coupe</translation>
    </message>
    <message>
        <source>Cross-fade</source>
        <translation>Fondu enchaîné</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Volet</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Poussée</translation>
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
        <translation>Vignettes</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Acquire from scanner...</source>
        <translation>&amp;Acquérir depuis le scanner…</translation>
    </message>
    <message>
        <source>Print pre&amp;view...</source>
        <translation>A&amp;perçu avant impression…</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Imprimer…</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>&amp;Slideshow...</source>
        <translation>&amp;Diaporama…</translation>
    </message>
    <message>
        <source>There are no pictures to show.</source>
        <translation>Aucune image à afficher.</translation>
    </message>
    <message>
        <source>There are no pictures to print.</source>
        <translation>Aucune image à imprimer.</translation>
    </message>
    <message>
        <source>The printer could not be started.</source>
        <translation>Impossible de lancer l’impression.</translation>
    </message>
</context>
<context>
    <name>pix::TThumbnailListModel</name>
    <message>
        <source>No thumbnail: %1</source>
        <translation>Pas de vignette&#xa0;: %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmAbout</name>
    <message>
        <source>About Pixfold</source>
        <translation>À propos de Pixfold</translation>
    </message>
    <message>
        <source>Batch photo converter for handheld devices</source>
        <translation>Conversion de photos par lots pour appareils mobiles</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Fermer</translation>
    </message>
</context>
<context>
    <name>pix::TfrmFileExists</name>
    <message>
        <source>File exists</source>
        <translation>Fichier existant</translation>
    </message>
    <message>
        <source>This file allready exists in the destination folder:</source>
        <translation>Ce fichier existe déjà dans le dossier de destination&#xa0;:</translation>
    </message>
    <message>
        <source>Please select action:</source>
        <translation>Que voulez-vous faire&#xa0;?</translation>
    </message>
    <message>
        <source>Replace this file</source>
        <translation>Remplacer ce fichier</translation>
    </message>
    <message>
        <source>Replace this file and all others that exists in the destination folder</source>
        <translation>Remplacer ce fichier et tous les autres fichiers déjà présents</translation>
    </message>
    <message>
        <source>Skip this file</source>
        <translation>Ignorer ce fichier</translation>
    </message>
    <message>
        <source>Skip this file and all others that exists in the destination folder</source>
        <translation>Ignorer ce fichier et tous les autres fichiers déjà présents</translation>
    </message>
    <message>
        <source>Save this file with another name</source>
        <translation>Enregistrer ce fichier sous un autre nom</translation>
    </message>
    <message>
        <source>Save all files that exists in the destination folder with another name</source>
        <translation>Enregistrer sous un autre nom tous les fichiers déjà présents</translation>
    </message>
    <message>
        <source>Cancel image conversion</source>
        <translation>Annuler la conversion</translation>
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
        <translation>Aide</translation>
    </message>
</context>
<context>
    <name>pix::TfrmMainWin</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>Impossible d’écrire dans %1</translation>
    </message>
    <message>
        <source>Select source folder</source>
        <translation>Choisir le dossier source</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Choisir le dossier de destination</translation>
    </message>
    <message>
        <source>The source folder does not exist: %1</source>
        <translation>Le dossier source n’existe pas&#xa0;: %1</translation>
    </message>
    <message>
        <source>No pictures to convert in %1</source>
        <translation>Aucune image à convertir dans %1</translation>
    </message>
    <message>
        <source>Choose a source folder and a destination folder.</source>
        <translation>Choisissez un dossier source et un dossier de destination.</translation>
    </message>
    <message>
        <source>Source and destination directory should be different.</source>
        <translation>Les dossiers source et destination doivent être différents.</translation>
    </message>
    <message>
        <source>P&amp;ath</source>
        <translation>D&amp;ossiers</translation>
    </message>
    <message>
        <source>Choose the source folder (Ctrl+O)</source>
        <translation>Choisir le dossier source (Ctrl+O)</translation>
    </message>
    <message>
        <source>Choose the destination folder (Ctrl+Shift+O)</source>
        <translation>Choisir le dossier de destination (Ctrl+Maj+O)</translation>
    </message>
    <message>
        <source>Include subdirectories</source>
        <translation>Inclure les sous-dossiers</translation>
    </message>
    <message>
        <source>Convert all images to jpg</source>
        <translation>Tout convertir en JPG</translation>
    </message>
    <message>
        <source>Save as original imagetype</source>
        <translation>Conserver le format d’origine</translation>
    </message>
    <message>
        <source>Convert JPG images</source>
        <translation>Convertir les images JPG</translation>
    </message>
    <message>
        <source>Convert GIF images</source>
        <translation>Convertir les images GIF</translation>
    </message>
    <message>
        <source>Convert BMP images</source>
        <translation>Convertir les images BMP</translation>
    </message>
    <message>
        <source>Convert PNG images</source>
        <translation>Convertir les images PNG</translation>
    </message>
    <message>
        <source>Convert TIFF images</source>
        <translation>Convertir les images TIFF</translation>
    </message>
    <message>
        <source>Convert HEIC, AVIF and WebP images</source>
        <translation>Convertir les images HEIC, AVIF et WebP</translation>
    </message>
    <message>
        <source>Convert other images (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</source>
        <translation>Convertir les autres images (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</translation>
    </message>
    <message>
        <source>Sou&amp;rce image folder</source>
        <translation>Dossier &amp;source</translation>
    </message>
    <message>
        <source>&amp;Destination image folder</source>
        <translation>Dossier de &amp;destination</translation>
    </message>
    <message>
        <source>&amp;Conversion rules</source>
        <translation>&amp;Règles de conversion</translation>
    </message>
    <message>
        <source>Convert to grayscale</source>
        <translation>Convertir en niveaux de gris</translation>
    </message>
    <message>
        <source>Do not rotate image</source>
        <translation>Ne pas faire pivoter</translation>
    </message>
    <message>
        <source>Rotate 90 deg. left</source>
        <translation>Pivoter de 90° à gauche</translation>
    </message>
    <message>
        <source>Rotate 90 deg. right</source>
        <translation>Pivoter de 90° à droite</translation>
    </message>
    <message>
        <source>Only rotate landscape</source>
        <translation>Seulement les images</translation>
    </message>
    <message>
        <source>pictures</source>
        <translation>en paysage</translation>
    </message>
    <message>
        <source>Turn photos upright</source>
        <translation>Redresser les photos</translation>
    </message>
    <message>
        <source>Turn and mirror each photo as its camera&apos;s orientation tag says, first</source>
        <translation>Fait d’abord pivoter et retourne chaque photo selon la balise d’orientation de l’appareil photo</translation>
    </message>
    <message>
        <source>Keep all metadata</source>
        <translation>Toutes</translation>
    </message>
    <message>
        <source>Compact metadata</source>
        <translation>Réduites</translation>
    </message>
    <message>
        <source>Strip metadata</source>
        <translation>Aucune</translation>
    </message>
    <message>
        <source>&amp;Image size</source>
        <translation>&amp;Taille de l’image</translation>
    </message>
    <message>
        <source>Max width</source>
        <translation>Largeur max.</translation>
    </message>
    <message>
        <source>Max height</source>
        <translation>Hauteur max.</translation>
    </message>
    <message>
        <source>JPG &amp;quality</source>
        <translation>&amp;Qualité JPG</translation>
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
        <translation>&amp;Métadonnées</translation>
    </message>
    <message>
        <source>&amp;Start converting</source>
        <translation>&amp;Lancer la conversion</translation>
    </message>
    <message>
        <source>S&amp;top converting</source>
        <translation>Arrêter la co&amp;nversion</translation>
    </message>
    <message>
        <source>Conversion stat&amp;us</source>
        <translation>État de la con&amp;version</translation>
    </message>
    <message>
        <source>Subfolder</source>
        <translation>Sous-dossier</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Fichier</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Aid&amp;e</translation>
    </message>
    <message>
        <source>&amp;Using Pixfold...</source>
        <translation>&amp;Utiliser Pixfold…</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>À &amp;propos de Pixfold…</translation>
    </message>
    <message>
        <source>Compact keeps date, camera and exposure, drops thumbnails, GPS and colour profiles; strip keeps nothing</source>
        <translation>Réduites conserve la date, l’appareil et l’exposition, et retire les vignettes, le GPS et les profils de couleur&#xa0;; Aucune ne conserve rien</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPictureViewer</name>
    <message>
        <source>%1 cannot be shown: %2</source>
        <translation>Impossible d’afficher %1&#xa0;: %2</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPrintOptions</name>
    <message>
        <source>Print pictures</source>
        <translation>Imprimer des images</translation>
    </message>
    <message>
        <source>The &amp;selected pictures (%1)</source>
        <translation>Les images &amp;sélectionnées (%1)</translation>
    </message>
    <message numerus="yes">
        <source>A contact sheet of the &amp;album (%n pictures)</source>
        <translation>
            <numerusform>Une planche-contact de l’&amp;album (%n image)</numerusform>
            <numerusform>Une planche-contact de l’&amp;album (%n images)</numerusform>
        </translation>
    </message>
    <message>
        <source>File &amp;names under the pictures</source>
        <translation>&amp;Noms de fichier sous les images</translation>
    </message>
    <message>
        <source>&amp;Layout</source>
        <translation>&amp;Disposition</translation>
    </message>
</context>
<context>
    <name>pix::TfrmScanner</name>
    <message>
        <source>Acquire from scanner</source>
        <translation>Acquérir depuis le scanner</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>&amp;Numériser</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>Arrê&amp;ter</translation>
    </message>
    <message>
        <source>Save to the &amp;source folder</source>
        <translation>Enregistrer dans le dossier &amp;source</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Fermer</translation>
    </message>
    <message>
        <source>Looking for scanners...</source>
        <translation>Recherche de scanners…</translation>
    </message>
    <message>
        <source>Sc&amp;anner</source>
        <translation>Sc&amp;anner</translation>
    </message>
    <message>
        <source>&amp;Resolution</source>
        <translation>&amp;Résolution</translation>
    </message>
    <message>
        <source>&amp;Mode</source>
        <translation>&amp;Mode</translation>
    </message>
    <message>
        <source>No scanner answered within %1 seconds.</source>
        <translation>Aucun scanner n’a répondu en %1 secondes.</translation>
    </message>
    <message>
        <source>No scanner was found. Connect a scanner, switch it on and try again.</source>
        <translation>Aucun scanner n’a été trouvé. Branchez un scanner, allumez-le et réessayez.</translation>
    </message>
    <message>
        <source>%1 dpi</source>
        <translation>%1 ppp</translation>
    </message>
    <message>
        <source>Scanning...</source>
        <translation>Numérisation…</translation>
    </message>
    <message>
        <source>Scanned %1 x %2 pixels%3.</source>
        <translation>Numérisé&#xa0;: %1 × %2 pixels%3.</translation>
    </message>
    <message>
        <source> at %1 dpi</source>
        <translation> à %1 ppp</translation>
    </message>
    <message>
        <source>The scan was stopped.</source>
        <translation>La numérisation a été arrêtée.</translation>
    </message>
    <message>
        <source>Choose an existing source folder in the window first.</source>
        <translation>Choisissez d’abord un dossier source existant dans la fenêtre principale.</translation>
    </message>
    <message>
        <source>The scan could not be saved: %1</source>
        <translation>Impossible d’enregistrer la numérisation&#xa0;: %1</translation>
    </message>
    <message>
        <source>Saved as %1</source>
        <translation>Enregistré sous %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshow</name>
    <message>
        <source>Slideshow - Pixfold</source>
        <translation>Diaporama – Pixfold</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1&#xa0;: %2</translation>
    </message>
    <message>
        <source>(paused)</source>
        <translation>(en pause)</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshowOptions</name>
    <message>
        <source>Slideshow</source>
        <translation>Diaporama</translation>
    </message>
    <message>
        <source>&amp;Source pictures (%1)</source>
        <translation>Images d’&amp;origine (%1)</translation>
    </message>
    <message>
        <source>&amp;Converted pictures (%1)</source>
        <translation>Images &amp;converties (%1)</translation>
    </message>
    <message>
        <source>&amp;Transition</source>
        <translation>&amp;Transition</translation>
    </message>
    <message>
        <source>Seconds per &amp;picture</source>
        <translation>&amp;Secondes par image</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Écran</translation>
    </message>
    <message>
        <source>%1 x %2, as the handheld shows it</source>
        <translation>%1 × %2, comme l’affiche l’appareil</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>&amp;Lancer</translation>
    </message>
</context>
</TS>
