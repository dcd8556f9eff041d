<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>ControlNames</name>
    <message>
        <source>Adjusts the brightness, contrast, softening or sharpening of a list of pictures. F1 lists the keys.</source>
        <translation>Ajusta el brillo, el contraste, el suavizado o el enfoque de una lista de imágenes. F1 muestra las teclas.</translation>
    </message>
    <message>
        <source>Image list</source>
        <translation>Lista de imágenes</translation>
    </message>
    <message>
        <source>The files to adjust. Delete removes the selected file; files and folders can be dropped here.</source>
        <translation>Los archivos que ajustar. Delete quita el archivo seleccionado; aquí se pueden soltar archivos y carpetas.</translation>
    </message>
    <message>
        <source>Progress</source>
        <translation>Progreso</translation>
    </message>
    <message>
        <source>How far the run is.</source>
        <translation>Hasta dónde ha llegado el proceso.</translation>
    </message>
    <message>
        <source>Brightness</source>
        <translation>Brillo</translation>
    </message>
    <message>
        <source>Brightness strength</source>
        <translation>Intensidad del brillo</translation>
    </message>
    <message>
        <source>From -100 to 100.</source>
        <translation>De -100 a 100.</translation>
    </message>
    <message>
        <source>Contrast strength</source>
        <translation>Intensidad del contraste</translation>
    </message>
    <message>
        <source>From 0 to 100; 50 leaves the pictures as they are.</source>
        <translation>De 0 a 100; 50 deja las imágenes como están.</translation>
    </message>
    <message>
        <source>Softening strength</source>
        <translation>Intensidad del suavizado</translation>
    </message>
    <message>
        <source>From 1 to 10.</source>
        <translation>De 1 a 10.</translation>
    </message>
    <message>
        <source>Sharpening strength</source>
        <translation>Intensidad del enfoque</translation>
    </message>
    <message>
        <source>Adjusts every picture of the list with this panel&apos;s strength. Esc stops the run.</source>
        <translation>Ajusta cada imagen de la lista con la intensidad de este panel. Esc detiene el proceso.</translation>
    </message>
    <message>
        <source>Ctrl+O. Chooses picture files to add to the list.</source>
        <translation>Ctrl+O. Elige los archivos de imagen que añadir a la lista.</translation>
    </message>
    <message>
        <source>Adds the files of a folder and its subfolders.</source>
        <translation>Añade los archivos de una carpeta y sus subcarpetas.</translation>
    </message>
    <message>
        <source>Removes every file from the list.</source>
        <translation>Quita todos los archivos de la lista.</translation>
    </message>
    <message>
        <source>Adds the sample pictures that come with the program.</source>
        <translation>Añade las imágenes de ejemplo que trae el programa.</translation>
    </message>
    <message>
        <source>Arrow keys scroll, Page Up and Page Down by a page (with Shift sideways), Home and End to the corners; F shows both pictures whole or at 100 %.</source>
        <translation>Las flechas desplazan, Page Up y Page Down una página (con Shift, en horizontal), Home y End hasta las esquinas; F muestra ambas imágenes enteras o al 100 %.</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Después</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>The adjusted picture. </source>
        <translation>La imagen ajustada. </translation>
    </message>
    <message>
        <source>The source picture. </source>
        <translation>La imagen de origen. </translation>
    </message>
    <message>
        <source>After picture</source>
        <translation>Imagen después</translation>
    </message>
    <message>
        <source>Before picture</source>
        <translation>Imagen antes</translation>
    </message>
    <message>
        <source>After picture area</source>
        <translation>Área de la imagen después</translation>
    </message>
    <message>
        <source>Before picture area</source>
        <translation>Área de la imagen antes</translation>
    </message>
    <message>
        <source>After, horizontal scroll</source>
        <translation>Después, desplazamiento horizontal</translation>
    </message>
    <message>
        <source>Before, horizontal scroll</source>
        <translation>Antes, desplazamiento horizontal</translation>
    </message>
    <message>
        <source>After, vertical scroll</source>
        <translation>Después, desplazamiento vertical</translation>
    </message>
    <message>
        <source>Before, vertical scroll</source>
        <translation>Antes, desplazamiento vertical</translation>
    </message>
    <message>
        <source>Review the results and save them. F1 lists the keys.</source>
        <translation>Revise los resultados y guárdelos. F1 muestra las teclas.</translation>
    </message>
    <message>
        <source>Results</source>
        <translation>Resultados</translation>
    </message>
    <message>
        <source>One row per picture of the run; the selected one is shown below.</source>
        <translation>Una fila por imagen del proceso; la seleccionada se muestra debajo.</translation>
    </message>
    <message>
        <source>Output folder</source>
        <translation>Carpeta de salida</translation>
    </message>
    <message>
        <source>The folder the results are saved into.</source>
        <translation>La carpeta donde se guardan los resultados.</translation>
    </message>
    <message>
        <source>Browse for the output folder</source>
        <translation>Buscar la carpeta de salida</translation>
    </message>
    <message>
        <source>Save the results as JPEG files.</source>
        <translation>Guardar los resultados como archivos JPEG.</translation>
    </message>
    <message>
        <source>Save the results as BMP files.</source>
        <translation>Guardar los resultados como archivos BMP.</translation>
    </message>
    <message>
        <source>JPG quality</source>
        <translation>Calidad JPG</translation>
    </message>
    <message>
        <source>From 1 to 100.</source>
        <translation>De 1 a 100.</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Atrás</translation>
    </message>
    <message>
        <source>Returns to the image list.</source>
        <translation>Vuelve a la lista de imágenes.</translation>
    </message>
    <message>
        <source>Ctrl+S. Saves every result into the output folder; Esc stops the save.</source>
        <translation>Ctrl+S. Guarda cada resultado en la carpeta de salida; Esc detiene el guardado.</translation>
    </message>
    <message>
        <source>Answers</source>
        <translation>Respuestas</translation>
    </message>
    <message>
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message>
        <source>Message</source>
        <translation>Mensaje</translation>
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
        <translation>Teclas
Tab, Shift+Tab: elemento siguiente o anterior
Space, Enter: pulsar el botón que tiene el foco
Flechas, Page Up, Page Down, Home, End: mover el control deslizante, la selección de la lista o la opción que tiene el foco
F1: este cuadro

Ventana principal
Ctrl+O: Añadir imágenes
Delete: quitar de la lista el archivo seleccionado
Esc: detener el proceso (se conservan las imágenes ya hechas)

Ventana de resultados
Ctrl+S: Guardar los resultados
Esc: detener el guardado (cada archivo escrito está completo)
Paneles Antes y Después: las flechas desplazan; Page Up, Page Down una página (con Shift, en horizontal); Home, End hasta las esquinas; F muestra ambas imágenes enteras o al 100 %

Vista de comparación (Space en una fila de la lista de imágenes; Enter o Space en un resultado)
F o 0: ajustar; 1: 100 %; + y -: acercar y alejar; teclas de flecha: desplazar
S: vista dividida; [ y ]: mover el divisor
Page Up, Page Down: resultado anterior o siguiente
F11: pantalla completa; Esc, Ctrl+W: salir de la pantalla completa, si no cerrar la vista

Lumivex %1
Licencia: GPL-3.0-or-later (GNU General Public License, versión 3 o cualquier versión posterior)</translation>
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
        <translation>Antes y Después</translation>
    </message>
    <message>
        <source>The picture before and after the adjustment, at the same place and scale</source>
        <translation>La imagen antes y después del ajuste, en el mismo lugar y a la misma escala</translation>
    </message>
    <message>
        <source>Before</source>
        <translation>Antes</translation>
    </message>
    <message>
        <source>After</source>
        <translation>Después</translation>
    </message>
</context>
<context>
    <name>lumivex::ComparePreviewLink</name>
    <message>
        <source>No picture is selected in the list.</source>
        <translation>No hay ninguna imagen seleccionada en la lista.</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vista previa</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareResultsLink</name>
    <message>
        <source>Compare</source>
        <translation>Comparar</translation>
    </message>
</context>
<context>
    <name>lumivex::CompareView</name>
    <message>
        <source>Brightness</source>
        <translation>Brillo</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Suavizado</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Enfoque</translation>
    </message>
    <message>
        <source>Picture, adjustment and zoom</source>
        <translation>Imagen, ajuste y zoom</translation>
    </message>
    <message>
        <source>%1 (%2)</source>
        <translation>%1 (%2)</translation>
    </message>
    <message>
        <source>Previous picture</source>
        <translation>Imagen anterior</translation>
    </message>
    <message>
        <source>Next picture</source>
        <translation>Imagen siguiente</translation>
    </message>
    <message>
        <source>Fit</source>
        <translation>Ajustar</translation>
    </message>
    <message>
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message>
        <source>Zoom out</source>
        <translation>Alejar</translation>
    </message>
    <message>
        <source>Zoom in</source>
        <translation>Acercar</translation>
    </message>
    <message>
        <source>Split view</source>
        <translation>Vista dividida</translation>
    </message>
    <message>
        <source>Split view (S); move the divider with [ and ]</source>
        <translation>Vista dividida (S); mueva el divisor con [ y ]</translation>
    </message>
    <message>
        <source>Full screen</source>
        <translation>Pantalla completa</translation>
    </message>
    <message>
        <source>Move the divider left</source>
        <translation>Divisor a la izquierda</translation>
    </message>
    <message>
        <source>Move the divider right</source>
        <translation>Divisor a la derecha</translation>
    </message>
    <message>
        <source>Pan left</source>
        <translation>Desplazar a la izquierda</translation>
    </message>
    <message>
        <source>Pan right</source>
        <translation>Desplazar a la derecha</translation>
    </message>
    <message>
        <source>Pan up</source>
        <translation>Desplazar hacia arriba</translation>
    </message>
    <message>
        <source>Pan down</source>
        <translation>Desplazar hacia abajo</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Cerrar</translation>
    </message>
    <message>
        <source>Leave full screen, or close the view (Esc)</source>
        <translation>Salir de pantalla completa o cerrar la vista (Esc)</translation>
    </message>
    <message>
        <source>◀ Previous</source>
        <translation>◀ Anterior</translation>
    </message>
    <message>
        <source>Next ▶</source>
        <translation>Siguiente ▶</translation>
    </message>
    <message>
        <source>Split</source>
        <translation>Dividida</translation>
    </message>
    <message>
        <source>There are no results to show.</source>
        <translation>No hay resultados que mostrar.</translation>
    </message>
    <message>
        <source>Reading the picture…</source>
        <translation>Leyendo la imagen…</translation>
    </message>
    <message>
        <source>Making the result…</source>
        <translation>Creando el resultado…</translation>
    </message>
    <message>
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message>
        <source>Compare</source>
        <translation>Comparación</translation>
    </message>
    <message>
        <source>failed</source>
        <translation>fallido</translation>
    </message>
    <message>
        <source>Fit (%1)</source>
        <translation>Ajustada (%1)</translation>
    </message>
    <message>
        <source>updating…</source>
        <translation>actualizando…</translation>
    </message>
</context>
<context>
    <name>lumivex::ErrorReport</name>
    <message>
        <source>Please email screenshot of this message to %1</source>
        <translation>Envíe por correo electrónico una captura de pantalla de este mensaje a %1</translation>
    </message>
    <message>
        <source>Application Error</source>
        <translation>Error de la aplicación</translation>
    </message>
</context>
<context>
    <name>lumivex::Failure</name>
    <message>
        <source>Cannot write the file (%1): %2</source>
        <translation>No se puede escribir el archivo (%1): %2</translation>
    </message>
    <message>
        <source>Cannot decode the picture (%1): %2</source>
        <translation>No se puede decodificar la imagen (%1): %2</translation>
    </message>
    <message>
        <source>the file ends too early</source>
        <translation>el archivo termina antes de tiempo</translation>
    </message>
    <message>
        <source>Picture is too large: %1 x %2 pixels would need %3 MB; the limit is 2048 MB</source>
        <translation>La imagen es demasiado grande: %1 x %2 píxeles necesitarían %3 MB; el límite es de 2048 MB</translation>
    </message>
    <message>
        <source>File not found: %1</source>
        <translation>Archivo no encontrado: %1</translation>
    </message>
    <message>
        <source>File cannot be opened (%1): %2</source>
        <translation>No se puede abrir el archivo (%1): %2</translation>
    </message>
    <message>
        <source>Not a picture file (it is a folder): %1</source>
        <translation>No es un archivo de imagen (es una carpeta): %1</translation>
    </message>
    <message>
        <source>Not a regular file: %1</source>
        <translation>No es un archivo normal: %1</translation>
    </message>
    <message>
        <source>Not a picture file this program can read: %1</source>
        <translation>No es un archivo de imagen que este programa pueda leer: %1</translation>
    </message>
    <message>
        <source>Cannot save the image. GDI+ Error:%1</source>
        <translation>No se puede guardar la imagen. Error de GDI+:%1</translation>
    </message>
    <message>
        <source>Not enough memory: a picture of %1 needs %2 MB, more than the %3 MB the batch may use</source>
        <translation>Memoria insuficiente: una imagen de %1 necesita %2 MB, más que los %3 MB que puede usar el lote</translation>
    </message>
    <message>
        <source>There is no picture to save: %1</source>
        <translation>No hay ninguna imagen que guardar: %1</translation>
    </message>
    <message>
        <source>Not saved: the output would replace a source file: %1</source>
        <translation>No guardado: el resultado sustituiría un archivo de origen: %1</translation>
    </message>
    <message>
        <source>The picture could not be read: %1</source>
        <translation>No se pudo leer la imagen: %1</translation>
    </message>
    <message>
        <source>The source has changed since the run: %1</source>
        <translation>El origen ha cambiado desde el proceso: %1</translation>
    </message>
    <message>
        <source>Out of memory</source>
        <translation>Memoria insuficiente</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>No hay ningún resultado para este elemento.</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Sin resultado: %1</translation>
    </message>
    <message>
        <source>The result could not be made: %1</source>
        <translation>No se pudo crear el resultado: %1</translation>
    </message>
    <message>
        <source>the picture has no pixels</source>
        <translation>la imagen no tiene píxeles</translation>
    </message>
    <message>
        <source>the file is larger than 2 GB</source>
        <translation>el archivo supera los 2 GB</translation>
    </message>
    <message>
        <source>the decoder gave no picture</source>
        <translation>el decodificador no dio ninguna imagen</translation>
    </message>
    <message>
        <source>unknown JPEG error</source>
        <translation>error JPEG desconocido</translation>
    </message>
    <message>
        <source>libjxl cannot start</source>
        <translation>libjxl no puede iniciarse</translation>
    </message>
    <message>
        <source>libjxl cannot read the file</source>
        <translation>libjxl no puede leer el archivo</translation>
    </message>
    <message>
        <source>libjxl gave an unexpected picture size</source>
        <translation>libjxl dio un tamaño de imagen inesperado</translation>
    </message>
    <message>
        <source>libjxl cannot write the picture</source>
        <translation>libjxl no puede escribir la imagen</translation>
    </message>
    <message>
        <source>the file holds no picture</source>
        <translation>el archivo no contiene ninguna imagen</translation>
    </message>
    <message>
        <source>a PNG chunk is corrupt</source>
        <translation>un bloque PNG está dañado</translation>
    </message>
    <message>
        <source>unknown PNG error</source>
        <translation>error PNG desconocido</translation>
    </message>
    <message>
        <source>LibRaw does not know this camera&apos;s files</source>
        <translation>LibRaw no conoce los archivos de esta cámara</translation>
    </message>
    <message>
        <source>LibRaw gave no 8-bit picture</source>
        <translation>LibRaw no dio ninguna imagen de 8 bits</translation>
    </message>
</context>
<context>
    <name>lumivex::Form1</name>
    <message>
        <source>Add Image File(s)</source>
        <translation>Añadir imágenes</translation>
    </message>
    <message>
        <source>Add All File(s) In Folder</source>
        <translation>Añadir una carpeta entera</translation>
    </message>
    <message>
        <source>Clear List</source>
        <translation>Vaciar la lista</translation>
    </message>
    <message>
        <source>Load Sample/Example Files</source>
        <translation>Cargar archivos de ejemplo</translation>
    </message>
    <message>
        <source>Brighness</source>
        <translation>Brillo</translation>
    </message>
    <message>
        <source>Start Adjusting Brightness</source>
        <translation>Ajustar el brillo</translation>
    </message>
    <message>
        <source>Contrast</source>
        <translation>Contraste</translation>
    </message>
    <message>
        <source>Start Adjusting Contrast</source>
        <translation>Ajustar el contraste</translation>
    </message>
    <message>
        <source>Softening</source>
        <translation>Suavizado</translation>
    </message>
    <message>
        <source>Start Adjusting Softening</source>
        <translation>Suavizar</translation>
    </message>
    <message>
        <source>Sharpening</source>
        <translation>Enfoque</translation>
    </message>
    <message>
        <source>Start Adjusting Sharpening</source>
        <translation>Enfocar</translation>
    </message>
    <message>
        <source>Drag and drop files here. Move | bar to the right if needed.</source>
        <translation>Arrastre y suelte los archivos aquí. Mueva la barra | a la derecha si hace falta.</translation>
    </message>
    <message>
        <source>Add File(s) - Hold Ctrl or Shift to select multiple files</source>
        <translation>Añadir archivo(s) - Mantenga Ctrl o Mayús para seleccionar varios archivos</translation>
    </message>
    <message>
        <source>All Pictures (%1)</source>
        <translation>Todas las imágenes (%1)</translation>
    </message>
    <message>
        <source>Every Readable Picture (%1)</source>
        <translation>Todas las imágenes legibles (%1)</translation>
    </message>
    <message>
        <source>All Files (%1)</source>
        <translation>Todos los archivos (%1)</translation>
    </message>
    <message>
        <source>Enter file extension to load:<byte value="xd"/><byte value="xd"/>(* for all files, txt for all txt files, doc for all doc files, etc.)</source>
        <translation>Extensión de los archivos que cargar:<byte value="xd"/><byte value="xd"/>(* para todos los archivos, txt para todos los archivos txt, doc para todos los archivos doc, etc.)</translation>
    </message>
    <message>
        <source>Please select folder to add:</source>
        <translation>Seleccione la carpeta que añadir:</translation>
    </message>
    <message>
        <source>Would you like this software to open the folder where these sample files are stored (so that you can view them before working with them)?</source>
        <translation>¿Quiere abrir la carpeta donde están guardados estos archivos de ejemplo (para verlos antes de trabajar con ellos)?</translation>
    </message>
    <message>
        <source>Please add files first.</source>
        <translation>Añada archivos primero.</translation>
    </message>
    <message>
        <source>Esc stops the run</source>
        <translation>Esc detiene el proceso</translation>
    </message>
</context>
<context>
    <name>lumivex::Form2</name>
    <message>
        <source> Before:</source>
        <translation> Antes:</translation>
    </message>
    <message>
        <source> After (Results):</source>
        <translation> Después (resultados):</translation>
    </message>
    <message>
        <source>Save Results To This Folder</source>
        <translation>Guardar los resultados en esta carpeta</translation>
    </message>
    <message>
        <source>...</source>
        <translation>...</translation>
    </message>
    <message>
        <source>Save Results As</source>
        <translation>Guardar como</translation>
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
        <translation>Calidad JPG</translation>
    </message>
    <message>
        <source>&lt; Back</source>
        <translation>&lt; Atrás</translation>
    </message>
    <message>
        <source>Save Results</source>
        <translation>Guardar los resultados</translation>
    </message>
    <message>
        <source>Preview</source>
        <translation>Vista previa</translation>
    </message>
    <message>
        <source>No result: %1</source>
        <translation>Sin resultado: %1</translation>
    </message>
    <message>
        <source>There is no result for this item.</source>
        <translation>No hay ningún resultado para este elemento.</translation>
    </message>
    <message>
        <source>Please select folder:</source>
        <translation>Seleccione una carpeta:</translation>
    </message>
    <message>
        <source>Output folder does not exist.</source>
        <translation>La carpeta de salida no existe.</translation>
    </message>
    <message>
        <source>%1: saved as %2</source>
        <translation>%1: guardado como %2</translation>
    </message>
    <message>
        <source>These results share a name with an earlier result, so they were saved under a numbered name:</source>
        <translation>Estos resultados comparten nombre con un resultado anterior, así que se guardaron con un nombre numerado:</translation>
    </message>
    <message>
        <source>Done.</source>
        <translation>Hecho.</translation>
    </message>
    <message>
        <source>%1; Esc stops the save</source>
        <translation>%1; Esc detiene el guardado</translation>
    </message>
    <message>
        <source>Saving %1 of %2</source>
        <translation>Guardando %1 de %2</translation>
    </message>
    <message>
        <source>Saving stopped after %1 of %2 files.</source>
        <translation>Guardado detenido tras %1 de %2 archivos.</translation>
    </message>
</context>
<context>
    <name>lumivex::SettingsStore</name>
    <message>
        <source>Not a regular file: %1<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>No es un archivo normal: %1<byte value="xd"/>
Los ajustes solo se conservan hasta que termine el programa.</translation>
    </message>
    <message>
        <source>The settings file cannot be read, nor kept aside (%1): %2<byte value="xd"/>
Settings are kept only until the program ends.</source>
        <translation>El archivo de ajustes no se puede leer ni apartar (%1): %2<byte value="xd"/>
Los ajustes solo se conservan hasta que termine el programa.</translation>
    </message>
    <message>
        <source>The settings file cannot be read; it was kept as %1 and the values that could be read are used: %2</source>
        <translation>El archivo de ajustes no se puede leer; se ha guardado como %1 y se usan los valores que se pudieron leer: %2</translation>
    </message>
    <message>
        <source>Cannot save the settings (%1): %2</source>
        <translation>No se pueden guardar los ajustes (%1): %2</translation>
    </message>
    <message>
        <source>The settings file is larger than 1 MB, which settings never are; it was kept as %1 unread: %2</source>
        <translation>El archivo de ajustes ocupa más de 1 MB, cosa que nunca ocurre con unos ajustes; se ha apartado sin leer como %1: %2</translation>
    </message>
</context>
</TS>
