<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>&amp;Añadir archivos</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>Añadir archivos de imagen a la lista</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>Añadir &amp;carpeta</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>Añadir a la lista todas las imágenes de una carpeta y sus subcarpetas</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>&amp;Quitar</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>Quitar de la lista las imágenes seleccionadas; los archivos en sí no se eliminan</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>&amp;Reducir</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>Reducir todas las imágenes de la lista por debajo del límite de tamaño y guardar los resultados en la carpeta de exportación</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>&amp;Detener</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>Detener ahora: la imagen en curso se descarta y no queda nada a medio escribir</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>Seleccionar &amp;todo</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>&amp;Preferencias…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>A&amp;cerca de Pictaro</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>&amp;Salir</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>A&amp;yuda de Pictaro</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>&amp;Minimizar</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>Ocultar las demás</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>Estado</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>Imagen</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>Nombre de archivo</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>Imagen actual</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>Nombre:</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>Dimensiones:</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>Tamaño:</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>Calidad:</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>Estado:</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>Hecho</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>Error</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>En espera</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>Desconocido</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>Resumen</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>Imágenes en la lista:</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>Convertidas:</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>Fallidas:</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>Se han procesado todas las imágenes.</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>Las imágenes reducidas están en la carpeta de exportación. Las que no se pudieron convertir aparecen marcadas como fallidas en la lista.</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>El tamaño máximo de archivo de cada imagen. Escriba solo dígitos; elija KB o MB junto al campo.</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>Exportar a:</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>Examinar…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>Preferencias</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>Calidad JPEG mínima:</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>Más pequeño</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>Mejor</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>No reducir nunca las imágenes por debajo de:</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>Ancho:</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>Alto:</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>Reducir las dimensiones cuando bajar la calidad no sea suficiente</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>Ajustar con la mejor calidad posible</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>Codifica el original una sola vez con la calidad más alta que quepa en el límite, en lugar de bajar la calidad paso a paso.</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>Acerca de Pictaro</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>Versión</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>Página web</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>Estos archivos y carpetas ya están en la lista y no se han vuelto a añadir:</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>Ya en la lista</translation>
    </message>
    <message id="L_UnitKB">
        <source>KB</source>
        <translation>KB</translation>
    </message>
    <message id="L_UnitMB">
        <source>MB</source>
        <translation>MB</translation>
    </message>
    <message id="L_MenuEdit">
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>Ve&amp;ntana</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>Barra de herramientas</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>Imágenes</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>Límite de tamaño:</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>Elegir carpeta de exportación</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>Añadir imágenes</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>Añadir carpeta de imágenes</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>no se puede leer el archivo</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>el archivo está dañado o no es una imagen de su tipo</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>la imagen es demasiado grande para decodificarla</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>no cabe por debajo de %1 ni siquiera con la calidad más baja</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>no cabe por debajo de %1 ni siquiera con la calidad más baja y el tamaño más pequeño, %2 (se ajusta en Preferencias, o con --min-box en el terminal)</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>la carpeta de exportación no existe o no se puede escribir en ella</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>disco lleno</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>no se pudo escribir</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>se detuvo el proceso</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>cámara no compatible</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>tipo de imagen que Pictaro no lee</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>el decodificador falló con este archivo</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>el decodificador tardó demasiado</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>Introduzca un límite de tamaño mayor que 0.</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>No hay imágenes que reducir. Añada primero archivos o una carpeta, o suéltelos aquí.</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>Añada imágenes con «Añadir archivos» o «Añadir carpeta», o suelte aquí archivos y carpetas.</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>Elija una carpeta de exportación.</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>«%1» no es una carpeta.</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>No se puede escribir en la carpeta de exportación «%1».</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>No se puede crear la carpeta de exportación «%1»: la carpeta que debería contenerla no existe.</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>No se puede crear la carpeta de exportación «%1» en ese lugar.</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>Convertidas: %1, con error: %2.</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>Las imágenes reducidas están en la carpeta de exportación.</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>No se pudo convertir ninguna imagen. Señale una imagen fallida de la lista para ver el motivo.</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>Abrir carpeta de exportación</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>%1 de %2</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>Resultado</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2, −%3 %</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1, ya por debajo del límite</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>Convirtiendo</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>Error: %1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>px</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>Imágenes a la vez:</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>Con más de 1 se convierten varias imágenes juntas en un ordenador con varios núcleos, cada una con su imagen a tamaño completo en memoria. Los resultados son los mismos.</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>Metadatos (EXIF, XMP, IPTC):</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>Conservar todos los metadatos</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>Conservar todo salvo la ubicación</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>Eliminar todos los metadatos</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>La fecha de la toma, la cámara, la exposición y el copyright acompañan a cada imagen. Sin la ubicación, se omiten la posición GPS, los nombres del lugar (ciudad, región, país), las notas del fabricante de la cámara y los números de serie.</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>&amp;Guardar las imágenes como:</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>Software libre bajo la Licencia Pública General de GNU, versión 3 o posterior</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>Algunas imágenes están en la carpeta de exportación con los nombres que tomarían sus JPEG.</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>Originales que la conversión reemplazaría: %1. ¿Reemplazarlos por los JPEG, o conservarlos y escribir cada JPEG junto a su original con un nombre nuevo, como photo-2.jpg?</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>&amp;Reemplazar originales</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>&amp;Escribir al lado</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>Guardado como %1</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>&amp;Deshacer quitar</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>&amp;Comparar con el original</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>Comparar</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>&amp;Ajustar a la ventana</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>Ajustar</translation>
    </message>
    <message id="L_MIZoom100">
        <source>Zoom &amp;100 %</source>
        <translation>Zoom &amp;100 %</translation>
    </message>
    <message id="L_Zoom100">
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message id="L_MIZoom200">
        <source>Zoom &amp;200 %</source>
        <translation>Zoom &amp;200 %</translation>
    </message>
    <message id="L_Zoom200">
        <source>200 %</source>
        <translation>200 %</translation>
    </message>
    <message id="L_CompareViewName">
        <source>Before and after</source>
        <translation>Antes y después</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>El original a la izquierda del divisor y el resultado a la derecha, a la misma escala. Mantenga pulsada la barra espaciadora para ver solo el original; Mayús+Izquierda y Mayús+Derecha mueven el divisor, Inicio y Fin lo llevan a los bordes; las flechas mueven las imágenes.</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>Resultado</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>Resultado %1, %2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>calculando…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM: cuánto se parece el resultado al original al tamaño del resultado, de 0 a 1 (idéntico).</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>No se puede leer el original: %1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>No se puede leer el resultado: %1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro no pudo abrir la página %1: no hay ningún navegador web configurado para mostrarla.</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro no pudo abrir la carpeta %1: no hay ningún gestor de archivos configurado para mostrarla.</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>Imágenes</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>Las imágenes de la lista. Las flechas pasan de una a otra, Supr quita las seleccionadas y Ctrl+Z las devuelve.</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>Imagen</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>Elegir la carpeta de exportación en un selector de archivos, donde también se puede crear una nueva</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>Mostrar la carpeta de exportación en el gestor de archivos</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>La carpeta donde se escriben las imágenes reducidas; la lista contiene las últimas carpetas usadas</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>Kilobytes: 1 KB son 1.000 bytes</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>Megabytes: 1 MB son 1.000.000 bytes</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>El límite es un número entero.</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>El límite es un número entero: para una fracción de MB, elija KB.</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>El límite es un número entero: para %1, escriba %2.</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>Advertencia</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>un enlace o un archivo ocupa el lugar donde debía crearse su carpeta en la carpeta de exportación</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>no escrita: las imágenes juntas no caben en %1 ni con la calidad más baja y el tamaño más pequeño</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>&amp;Nunca mayor que</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>Anchura máxima</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>Altura máxima</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>Las imágenes mayores se reducen a este marco antes de ajustarlas. Sus lados siguen a la imagen: un marco de 1920 x 1080 recibe una foto vertical como 1080 x 1920.</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>El tamaño máximo no puede ser menor que el tamaño mínimo, %1 x %2.</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>Conservar las &amp;carpetas</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>Las imágenes de una carpeta añadida van a las mismas carpetas de la de exportación.</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>Conservar las &amp;fechas</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>Cada salida recibe la fecha de modificación de su original.</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>por imagen</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>todas juntas</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>El límite vale para</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>Cada imagen bajo el límite, o todas las imágenes juntas: entonces cada una recibe tanta calidad como permite el presupuesto</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>En total:</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>%1 escritos de %2</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>supera %1 en %2 incluso con la calidad más baja y el tamaño más pequeño: no se escribió nada</translation>
    </message>
</context>
</TS>
