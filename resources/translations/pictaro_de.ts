<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>Dateien &amp;hinzufügen</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>Bilddateien zur Liste hinzufügen</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>&amp;Ordner hinzufügen</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>Alle Bilder eines Ordners und seiner Unterordner zur Liste hinzufügen</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>&amp;Entfernen</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>Die ausgewählten Bilder aus der Liste entfernen; die Dateien selbst werden nicht gelöscht</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>&amp;Verkleinern</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>Alle Bilder der Liste unter das Größenlimit verkleinern und die Ergebnisse im Exportordner speichern</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>&amp;Anhalten</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>Jetzt anhalten: Das Bild, das gerade verkleinert wird, wird verworfen, und nichts Halbfertiges bleibt zurück</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>&amp;Alles auswählen</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>&amp;Einstellungen…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>Ü&amp;ber Pictaro</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>&amp;Beenden</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>Pictaro-&amp;Hilfe</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>&amp;Minimieren</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>Andere ausblenden</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>Dateiname</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>Aktuelles Bild</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>Abmessungen:</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>Größe:</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>Qualität:</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>Fertig</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>Fehlgeschlagen</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>Wartet</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>Unbekannt</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>Übersicht</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>Bilder in der Liste:</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>Umgewandelt:</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>Fehlgeschlagen:</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>Alle Bilder wurden verarbeitet.</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>Die verkleinerten Bilder liegen im Exportordner. Bilder, die nicht umgewandelt werden konnten, sind in der Liste als fehlgeschlagen markiert.</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>Die maximale Dateigröße pro Bild. Nur Ziffern eingeben; KB oder MB neben dem Feld wählen.</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>Exportieren nach:</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>Durchsuchen…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>Einstellungen</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>Niedrigste JPEG-Qualität:</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>Kleiner</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>Besser</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>Bilder nie kleiner skalieren als:</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>Bilder verkleinern, wenn eine geringere Qualität nicht ausreicht</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>In bestmöglicher Qualität einpassen</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>Kodiert das Original einmal mit der höchsten Qualität, die passt, statt die Qualität schrittweise zu senken.</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>Über Pictaro</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>Homepage</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>Diese Dateien und Ordner sind bereits in der Liste und wurden nicht erneut hinzugefügt:</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>Bereits in der Liste</translation>
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
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>&amp;Fenster</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>Werkzeugleiste</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>Größenlimit:</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>Exportordner wählen</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>Bilder hinzufügen</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>Ordner mit Bildern hinzufügen</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>die Datei kann nicht gelesen werden</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>die Datei ist beschädigt oder kein Bild ihres Typs</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>das Bild ist zu groß zum Dekodieren</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>passt selbst bei der niedrigsten Qualität nicht unter %1</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>passt selbst bei der niedrigsten Qualität und der kleinsten Größe, %2, nicht unter %1 (einzustellen in den Einstellungen oder im Terminal mit --min-box)</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>der Exportordner fehlt oder ist nicht beschreibbar</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>Datenträger voll</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>konnte nicht geschrieben werden</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>der Lauf wurde angehalten</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>Kamera wird nicht unterstützt</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>kein Bildtyp, den Pictaro liest</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>der Decoder ist bei dieser Datei abgestürzt</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>der Decoder hat zu lange gebraucht</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>Geben Sie ein Größenlimit über 0 ein.</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>Es gibt keine Bilder zum Verkleinern. Fügen Sie zuerst Dateien oder einen Ordner hinzu oder ziehen Sie sie hierher.</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>Fügen Sie Bilder mit „Dateien hinzufügen“ oder „Ordner hinzufügen“ hinzu oder ziehen Sie Dateien und Ordner hierher.</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>Wählen Sie einen Exportordner.</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>„%1“ ist kein Ordner.</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>In den Exportordner „%1“ kann nicht geschrieben werden.</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>Der Exportordner „%1“ kann nicht angelegt werden: Der Ordner, in dem er liegen soll, existiert nicht.</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>Der Exportordner „%1“ kann dort nicht angelegt werden.</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>%1 umgewandelt, %2 fehlgeschlagen.</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>Die verkleinerten Bilder liegen im Exportordner.</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>Kein Bild konnte umgewandelt werden. Zeigen Sie in der Liste auf ein fehlgeschlagenes Bild, um den Grund zu sehen.</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>Exportordner öffnen</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>%1 von %2</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>Ergebnis</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2, −%3 %</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1, bereits unter dem Limit</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>Wird umgewandelt</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>Fehlgeschlagen: %1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>px</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>Bilder gleichzeitig:</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>Mehr als 1 wandelt auf einem Rechner mit mehreren Kernen mehrere Bilder zugleich um, jedes mit seinem Bild in voller Größe im Speicher. Die Ergebnisse bleiben gleich.</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>Metadaten (EXIF, XMP, IPTC):</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>Alle Metadaten behalten</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>Alle außer dem Aufnahmeort behalten</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>Alle Metadaten entfernen</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>Aufnahmedatum, Kamera, Belichtung und Urheberrecht gehen mit jedem Bild mit. Ohne den Aufnahmeort entfallen die GPS-Position, die Ortsangaben (Stadt, Region, Land), die Herstellernotizen der Kamera und die Seriennummern.</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>Bilder &amp;schreiben als:</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>Freie Software unter der GNU General Public License, Version 3 oder später</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>Einige Bilder liegen im Exportordner unter den Namen, die ihre JPEGs bekämen.</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>Originale, die der Lauf ersetzen würde: %1. Sollen sie durch die JPEGs ersetzt werden, oder bleiben sie erhalten und jedes JPEG wird unter einem neuen Namen wie photo-2.jpg daneben gespeichert?</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>&amp;Originale ersetzen</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>&amp;Daneben speichern</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>Gespeichert als %1</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>Entfernen &amp;rückgängig</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>Mit dem &amp;Original vergleichen</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>Vergleichen</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>&amp;Einpassen</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>Einpassen</translation>
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
        <translation>Vorher und nachher</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>Links vom Teiler das Original, rechts das Ergebnis, im selben Maßstab. Leertaste gedrückt halten zeigt nur das Original; Umschalt+Links und Umschalt+Rechts verschieben den Teiler, Pos1 und Ende setzen ihn an den Rand; die Pfeiltasten verschieben die Bilder.</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>Ergebnis</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>Ergebnis %1, %2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>wird berechnet…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM: wie ähnlich das Ergebnis dem Original in der Größe des Ergebnisses ist, von 0 bis 1 (gleich).</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>Das Original lässt sich nicht lesen: %1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>Das Ergebnis lässt sich nicht lesen: %1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro konnte die Seite %1 nicht öffnen: Es ist kein Webbrowser eingerichtet, der sie anzeigt.</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro konnte den Ordner %1 nicht öffnen: Es ist kein Dateimanager eingerichtet, der ihn anzeigt.</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>Bilder</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>Die aufgelisteten Bilder. Die Pfeiltasten wechseln zwischen ihnen, Entf entfernt die ausgewählten und Strg+Z holt sie zurück.</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>Bild</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>Den Exportordner in einem Dateiauswahldialog wählen, in dem sich auch ein neuer anlegen lässt</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>Den Exportordner im Dateimanager zeigen</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>Der Ordner, in den die verkleinerten Bilder geschrieben werden; die Liste enthält die zuletzt benutzten Ordner</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>Kilobyte: 1 KB sind 1.000 Byte</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>Megabyte: 1 MB sind 1.000.000 Byte</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>Die Grenze ist eine ganze Zahl.</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>Die Grenze ist eine ganze Zahl: Für Bruchteile eines MB wählen Sie KB.</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>Die Grenze ist eine ganze Zahl: Für %1 geben Sie %2 ein.</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>Warnung</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>ein Link oder eine Datei steht dort, wo sein Ordner im Exportordner angelegt werden sollte</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>nicht geschrieben: die Bilder passen zusammen selbst bei der niedrigsten Qualität und der kleinsten Größe nicht unter %1</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>&amp;Nie größer als</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>Größte Breite</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>Größte Höhe</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>Größere Bilder werden vor dem Anpassen in diesen Rahmen verkleinert. Seine Seiten folgen dem Bild: ein Rahmen von 1920 x 1080 nimmt ein Hochformat als 1080 x 1920 auf.</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>Die größte Größe darf nicht kleiner als die kleinste Größe, %1 x %2, sein.</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>&amp;Ordner beibehalten</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>Bilder eines hinzugefügten Ordners kommen in dieselben Ordner im Exportordner.</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>&amp;Dateidatum beibehalten</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>Jede Ausgabe erhält das Änderungsdatum ihres Originals.</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>je Bild</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>alle zusammen</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>Die Grenze gilt für</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>Jedes Bild unter der Grenze, oder alle Bilder zusammen: dann erhält jedes so viel Qualität, wie das Budget erlaubt</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>Zusammen:</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>%1 von %2 geschrieben</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>selbst bei niedrigster Qualität und kleinster Größe %2 über %1: nichts geschrieben</translation>
    </message>
</context>
</TS>
