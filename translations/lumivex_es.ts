<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
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
</context>
</TS>
