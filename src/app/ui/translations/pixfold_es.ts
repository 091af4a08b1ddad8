<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es_ES">
<context>
    <name>ConversionSettings</name>
    <message>
        <source>User defined</source>
        <translation>Personalizado</translation>
    </message>
</context>
<context>
    <name>FailureReason</name>
    <message>
        <source>not a file of this format</source>
        <translation>no es un archivo de este formato</translation>
    </message>
    <message>
        <source>truncated file</source>
        <translation>archivo truncado</translation>
    </message>
    <message>
        <source>unsupported bit depth or colour layout</source>
        <translation>profundidad de bits o disposición de color no compatible</translation>
    </message>
    <message>
        <source>unsupported compression</source>
        <translation>compresión no compatible</translation>
    </message>
    <message>
        <source>picture too large</source>
        <translation>imagen demasiado grande</translation>
    </message>
    <message>
        <source>corrupt data</source>
        <translation>datos dañados</translation>
    </message>
    <message>
        <source>no picture in the file</source>
        <translation>el archivo no contiene ninguna imagen</translation>
    </message>
    <message>
        <source>no reader or writer for this file type</source>
        <translation>no hay lector ni escritor para este tipo de archivo</translation>
    </message>
    <message>
        <source>cannot open the file</source>
        <translation>no se puede abrir el archivo</translation>
    </message>
    <message>
        <source>cannot write the file</source>
        <translation>no se puede escribir el archivo</translation>
    </message>
    <message>
        <source>disk full</source>
        <translation>disco lleno</translation>
    </message>
    <message>
        <source>permission denied</source>
        <translation>permiso denegado</translation>
    </message>
    <message>
        <source>out of memory</source>
        <translation>memoria insuficiente</translation>
    </message>
    <message>
        <source>cannot create the folder</source>
        <translation>no se puede crear la carpeta</translation>
    </message>
    <message>
        <source>unsupported feature</source>
        <translation>función no compatible</translation>
    </message>
    <message>
        <source>the destination exists</source>
        <translation>el destino ya existe</translation>
    </message>
    <message>
        <source>not a regular file</source>
        <translation>no es un archivo normal</translation>
    </message>
    <message>
        <source>unknown failure</source>
        <translation>error desconocido</translation>
    </message>
</context>
<context>
    <name>PrintLayout</name>
    <message>
        <source>One picture per page</source>
        <translation>Una imagen por página</translation>
    </message>
    <message>
        <source>6 per page (2 x 3)</source>
        <translation>6 por página (2 × 3)</translation>
    </message>
    <message>
        <source>12 per page (3 x 4)</source>
        <translation>12 por página (3 × 4)</translation>
    </message>
    <message>
        <source>20 per page (4 x 5)</source>
        <translation>20 por página (4 × 5)</translation>
    </message>
</context>
<context>
    <name>RunResult</name>
    <message>
        <source>converted from a damaged source: %1</source>
        <translation>convertido, origen dañado: %1</translation>
    </message>
    <message>
        <source>converted</source>
        <translation>convertido</translation>
    </message>
    <message>
        <source>renamed to %1, converted from a damaged source: %2</source>
        <translation>renombrado a %1, convertido, origen dañado: %2</translation>
    </message>
    <message>
        <source>renamed to %1</source>
        <translation>renombrado a %1</translation>
    </message>
    <message>
        <source>skipped (exists)</source>
        <translation>omitido (ya existe)</translation>
    </message>
    <message>
        <source>failed: %1</source>
        <translation>error: %1</translation>
    </message>
    <message>
        <source>Stopped after %1 of %2</source>
        <translation>Detenido tras %1 de %2</translation>
    </message>
    <message numerus="yes">
        <source>%n converted</source>
        <translation>
            <numerusform>%n convertido</numerusform>
            <numerusform>%n convertidos</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>(%n from damaged sources)</source>
        <translation>
            <numerusform>(%n de un origen dañado)</numerusform>
            <numerusform>(%n de orígenes dañados)</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n failed</source>
        <translation>
            <numerusform>%n con error</numerusform>
            <numerusform>%n con error</numerusform>
        </translation>
    </message>
    <message numerus="yes">
        <source>%n skipped</source>
        <translation>
            <numerusform>%n omitido</numerusform>
            <numerusform>%n omitidos</numerusform>
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
        <translation>No se pudo iniciar el escaneo</translation>
    </message>
    <message>
        <source>The scanner sends pictures in a form this program does not read</source>
        <translation>El escáner envía las imágenes en un formato que este programa no sabe leer</translation>
    </message>
    <message>
        <source>The scan is larger than can be held</source>
        <translation>El escaneo es demasiado grande para caber en memoria</translation>
    </message>
    <message>
        <source>The scan stopped</source>
        <translation>El escaneo se interrumpió</translation>
    </message>
    <message>
        <source>The scanner sent no picture</source>
        <translation>El escáner no envió ninguna imagen</translation>
    </message>
    <message>
        <source>The scanner sent colour passes of different sizes</source>
        <translation>El escáner envió pasadas de color de distintos tamaños</translation>
    </message>
    <message>
        <source>Scanning is busy in another part of the program</source>
        <translation>Otra parte del programa ya está usando el escáner</translation>
    </message>
    <message>
        <source>The scanner cannot be opened</source>
        <translation>No se puede abrir el escáner</translation>
    </message>
    <message>
        <source>Not enough memory for the scan</source>
        <translation>No hay memoria suficiente para el escaneo</translation>
    </message>
</context>
<context>
    <name>Transition</name>
    <message>
        <source>Cut</source>
        <translation>Corte</translation>
    </message>
    <message>
        <source>Cross-fade</source>
        <translation>Fundido encadenado</translation>
    </message>
    <message>
        <source>Wipe</source>
        <translation>Barrido</translation>
    </message>
    <message>
        <source>Push</source>
        <translation>Empuje</translation>
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
        <translation>Lista</translation>
    </message>
    <message>
        <source>Thumbnails</source>
        <translation>Miniaturas</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Acquire from scanner...</source>
        <translation>&amp;Adquirir desde el escáner…</translation>
    </message>
    <message>
        <source>Print pre&amp;view...</source>
        <translation>&amp;Vista previa de impresión…</translation>
    </message>
    <message>
        <source>&amp;Print...</source>
        <translation>&amp;Imprimir…</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message>
        <source>&amp;Slideshow...</source>
        <translation>&amp;Presentación…</translation>
    </message>
    <message>
        <source>There are no pictures to show.</source>
        <translation>No hay imágenes que mostrar.</translation>
    </message>
    <message>
        <source>There are no pictures to print.</source>
        <translation>No hay imágenes que imprimir.</translation>
    </message>
    <message>
        <source>The printer could not be started.</source>
        <translation>No se pudo iniciar la impresión.</translation>
    </message>
</context>
<context>
    <name>pix::TThumbnailListModel</name>
    <message>
        <source>No thumbnail: %1</source>
        <translation>Sin miniatura: %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmAbout</name>
    <message>
        <source>About Pixfold</source>
        <translation>Acerca de Pixfold</translation>
    </message>
    <message>
        <source>Batch photo converter for handheld devices</source>
        <translation>Conversor de fotos por lotes para dispositivos portátiles</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
</context>
<context>
    <name>pix::TfrmFileExists</name>
    <message>
        <source>File exists</source>
        <translation>El archivo ya existe</translation>
    </message>
    <message>
        <source>This file allready exists in the destination folder:</source>
        <translation>Este archivo ya existe en la carpeta de destino:</translation>
    </message>
    <message>
        <source>Please select action:</source>
        <translation>¿Qué desea hacer?</translation>
    </message>
    <message>
        <source>Replace this file</source>
        <translation>Reemplazar este archivo</translation>
    </message>
    <message>
        <source>Replace this file and all others that exists in the destination folder</source>
        <translation>Reemplazar este archivo y todos los demás que ya existan</translation>
    </message>
    <message>
        <source>Skip this file</source>
        <translation>Omitir este archivo</translation>
    </message>
    <message>
        <source>Skip this file and all others that exists in the destination folder</source>
        <translation>Omitir este archivo y todos los demás que ya existan</translation>
    </message>
    <message>
        <source>Save this file with another name</source>
        <translation>Guardar este archivo con otro nombre</translation>
    </message>
    <message>
        <source>Save all files that exists in the destination folder with another name</source>
        <translation>Guardar con otro nombre todos los archivos que ya existan</translation>
    </message>
    <message>
        <source>Cancel image conversion</source>
        <translation>Cancelar la conversión</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
</context>
<context>
    <name>pix::TfrmHelp</name>
    <message>
        <source>Help</source>
        <translation>Ayuda</translation>
    </message>
</context>
<context>
    <name>pix::TfrmMainWin</name>
    <message>
        <source>Unable to write to %1</source>
        <translation>No se puede escribir en %1</translation>
    </message>
    <message>
        <source>Select source folder</source>
        <translation>Seleccionar la carpeta de origen</translation>
    </message>
    <message>
        <source>Select destination folder</source>
        <translation>Seleccionar la carpeta de destino</translation>
    </message>
    <message>
        <source>The source folder does not exist: %1</source>
        <translation>La carpeta de origen no existe: %1</translation>
    </message>
    <message>
        <source>No pictures to convert in %1</source>
        <translation>No hay imágenes que convertir en %1</translation>
    </message>
    <message>
        <source>Choose a source folder and a destination folder.</source>
        <translation>Elija una carpeta de origen y una de destino.</translation>
    </message>
    <message>
        <source>Source and destination directory should be different.</source>
        <translation>Las carpetas de origen y de destino deben ser distintas.</translation>
    </message>
    <message>
        <source>P&amp;ath</source>
        <translation>&amp;Carpetas</translation>
    </message>
    <message>
        <source>Choose the source folder (Ctrl+O)</source>
        <translation>Elegir la carpeta de origen (Ctrl+O)</translation>
    </message>
    <message>
        <source>Choose the destination folder (Ctrl+Shift+O)</source>
        <translation>Elegir la carpeta de destino (Ctrl+Mayús+O)</translation>
    </message>
    <message>
        <source>Include subdirectories</source>
        <translation>Incluir subcarpetas</translation>
    </message>
    <message>
        <source>Convert all images to jpg</source>
        <translation>Convertir todo a JPG</translation>
    </message>
    <message>
        <source>Save as original imagetype</source>
        <translation>Mantener el formato original</translation>
    </message>
    <message>
        <source>Convert JPG images</source>
        <translation>Convertir imágenes JPG</translation>
    </message>
    <message>
        <source>Convert GIF images</source>
        <translation>Convertir imágenes GIF</translation>
    </message>
    <message>
        <source>Convert BMP images</source>
        <translation>Convertir imágenes BMP</translation>
    </message>
    <message>
        <source>Convert PNG images</source>
        <translation>Convertir imágenes PNG</translation>
    </message>
    <message>
        <source>Convert TIFF images</source>
        <translation>Convertir imágenes TIFF</translation>
    </message>
    <message>
        <source>Convert HEIC, AVIF and WebP images</source>
        <translation>Convertir imágenes HEIC, AVIF y WebP</translation>
    </message>
    <message>
        <source>Convert other images (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</source>
        <translation>Convertir otras imágenes (PCX, TGA, PNM, ICO, CUR, WMF, EMF)</translation>
    </message>
    <message>
        <source>Sou&amp;rce image folder</source>
        <translation>Carpeta de &amp;origen</translation>
    </message>
    <message>
        <source>&amp;Destination image folder</source>
        <translation>Carpeta de &amp;destino</translation>
    </message>
    <message>
        <source>&amp;Conversion rules</source>
        <translation>&amp;Reglas de conversión</translation>
    </message>
    <message>
        <source>Convert to grayscale</source>
        <translation>Convertir a escala de grises</translation>
    </message>
    <message>
        <source>Do not rotate image</source>
        <translation>No girar la imagen</translation>
    </message>
    <message>
        <source>Rotate 90 deg. left</source>
        <translation>Girar 90° a la izquierda</translation>
    </message>
    <message>
        <source>Rotate 90 deg. right</source>
        <translation>Girar 90° a la derecha</translation>
    </message>
    <message>
        <source>Only rotate landscape</source>
        <translation>Girar solo las imágenes</translation>
    </message>
    <message>
        <source>pictures</source>
        <translation>apaisadas</translation>
    </message>
    <message>
        <source>Turn photos upright</source>
        <translation>Enderezar las fotos</translation>
    </message>
    <message>
        <source>Turn and mirror each photo as its camera&apos;s orientation tag says, first</source>
        <translation>Primero gira y refleja cada foto según la etiqueta de orientación de su cámara</translation>
    </message>
    <message>
        <source>Keep all metadata</source>
        <translation>Todos los metadatos</translation>
    </message>
    <message>
        <source>Compact metadata</source>
        <translation>Metadatos reducidos</translation>
    </message>
    <message>
        <source>Strip metadata</source>
        <translation>Sin metadatos</translation>
    </message>
    <message>
        <source>&amp;Image size</source>
        <translation>&amp;Tamaño de imagen</translation>
    </message>
    <message>
        <source>Max width</source>
        <translation>Ancho máx.</translation>
    </message>
    <message>
        <source>Max height</source>
        <translation>Alto máx.</translation>
    </message>
    <message>
        <source>JPG &amp;quality</source>
        <translation>Calidad &amp;JPG</translation>
    </message>
    <message>
        <source>min</source>
        <translation>mín.</translation>
    </message>
    <message>
        <source>max</source>
        <translation>máx.</translation>
    </message>
    <message>
        <source>&amp;Metadata</source>
        <translation>&amp;Metadatos</translation>
    </message>
    <message>
        <source>&amp;Start converting</source>
        <translation>&amp;Iniciar conversión</translation>
    </message>
    <message>
        <source>S&amp;top converting</source>
        <translation>Dete&amp;ner conversión</translation>
    </message>
    <message>
        <source>Conversion stat&amp;us</source>
        <translation>&amp;Estado de la conversión</translation>
    </message>
    <message>
        <source>Subfolder</source>
        <translation>Subcarpeta</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Archivo</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Ay&amp;uda</translation>
    </message>
    <message>
        <source>&amp;Using Pixfold...</source>
        <translation>&amp;Cómo usar Pixfold…</translation>
    </message>
    <message>
        <source>&amp;About...</source>
        <translation>&amp;Acerca de Pixfold…</translation>
    </message>
    <message>
        <source>Compact keeps date, camera and exposure, drops thumbnails, GPS and colour profiles; strip keeps nothing</source>
        <translation>Reducidos conserva la fecha, la cámara y la exposición, y descarta miniaturas, GPS y perfiles de color; Sin metadatos no conserva nada</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPictureViewer</name>
    <message>
        <source>%1 cannot be shown: %2</source>
        <translation>No se puede mostrar %1: %2</translation>
    </message>
</context>
<context>
    <name>pix::TfrmPrintOptions</name>
    <message>
        <source>Print pictures</source>
        <translation>Imprimir imágenes</translation>
    </message>
    <message>
        <source>The &amp;selected pictures (%1)</source>
        <translation>Las imágenes &amp;seleccionadas (%1)</translation>
    </message>
    <message numerus="yes">
        <source>A contact sheet of the &amp;album (%n pictures)</source>
        <translation>
            <numerusform>Una &amp;hoja de contactos del álbum (%n imagen)</numerusform>
            <numerusform>Una &amp;hoja de contactos del álbum (%n imágenes)</numerusform>
        </translation>
    </message>
    <message>
        <source>File &amp;names under the pictures</source>
        <translation>&amp;Nombres de archivo bajo las imágenes</translation>
    </message>
    <message>
        <source>&amp;Layout</source>
        <translation>&amp;Distribución</translation>
    </message>
</context>
<context>
    <name>pix::TfrmScanner</name>
    <message>
        <source>Acquire from scanner</source>
        <translation>Adquirir desde el escáner</translation>
    </message>
    <message>
        <source>&amp;Scan</source>
        <translation>Esc&amp;anear</translation>
    </message>
    <message>
        <source>S&amp;top</source>
        <translation>De&amp;tener</translation>
    </message>
    <message>
        <source>Save to the &amp;source folder</source>
        <translation>Guardar en la carpeta de &amp;origen</translation>
    </message>
    <message>
        <source>&amp;Close</source>
        <translation>&amp;Cerrar</translation>
    </message>
    <message>
        <source>Looking for scanners...</source>
        <translation>Buscando escáneres…</translation>
    </message>
    <message>
        <source>Sc&amp;anner</source>
        <translation>&amp;Escáner</translation>
    </message>
    <message>
        <source>&amp;Resolution</source>
        <translation>&amp;Resolución</translation>
    </message>
    <message>
        <source>&amp;Mode</source>
        <translation>&amp;Modo</translation>
    </message>
    <message>
        <source>No scanner answered within %1 seconds.</source>
        <translation>Ningún escáner respondió en %1 segundos.</translation>
    </message>
    <message>
        <source>No scanner was found. Connect a scanner, switch it on and try again.</source>
        <translation>No se encontró ningún escáner. Conecte un escáner, enciéndalo y vuelva a intentarlo.</translation>
    </message>
    <message>
        <source>%1 dpi</source>
        <translation>%1 ppp</translation>
    </message>
    <message>
        <source>Scanning...</source>
        <translation>Escaneando…</translation>
    </message>
    <message>
        <source>Scanned %1 x %2 pixels%3.</source>
        <translation>Escaneado: %1 × %2 píxeles%3.</translation>
    </message>
    <message>
        <source> at %1 dpi</source>
        <translation> a %1 ppp</translation>
    </message>
    <message>
        <source>The scan was stopped.</source>
        <translation>Se detuvo el escaneo.</translation>
    </message>
    <message>
        <source>Choose an existing source folder in the window first.</source>
        <translation>Elija primero una carpeta de origen existente en la ventana principal.</translation>
    </message>
    <message>
        <source>The scan could not be saved: %1</source>
        <translation>No se pudo guardar el escaneo: %1</translation>
    </message>
    <message>
        <source>Saved as %1</source>
        <translation>Guardado como %1</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshow</name>
    <message>
        <source>Slideshow - Pixfold</source>
        <translation>Presentación – Pixfold</translation>
    </message>
    <message>
        <source>%1: %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>(paused)</source>
        <translation>(en pausa)</translation>
    </message>
</context>
<context>
    <name>pix::TfrmSlideshowOptions</name>
    <message>
        <source>Slideshow</source>
        <translation>Presentación</translation>
    </message>
    <message>
        <source>&amp;Source pictures (%1)</source>
        <translation>Imágenes de &amp;origen (%1)</translation>
    </message>
    <message>
        <source>&amp;Converted pictures (%1)</source>
        <translation>Imágenes &amp;convertidas (%1)</translation>
    </message>
    <message>
        <source>&amp;Transition</source>
        <translation>&amp;Transición</translation>
    </message>
    <message>
        <source>Seconds per &amp;picture</source>
        <translation>&amp;Segundos por imagen</translation>
    </message>
    <message>
        <source>Screen</source>
        <translation>Pantalla</translation>
    </message>
    <message>
        <source>%1 x %2, as the handheld shows it</source>
        <translation>%1 × %2, como lo muestra el dispositivo</translation>
    </message>
    <message>
        <source>&amp;Play</source>
        <translation>Re&amp;producir</translation>
    </message>
</context>
</TS>
