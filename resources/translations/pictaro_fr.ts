<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>&amp;Ajouter des fichiers</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>Ajouter des fichiers d’images à la liste</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>Ajouter un &amp;dossier</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>Ajouter à la liste toutes les images d’un dossier et de ses sous-dossiers</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>&amp;Retirer</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>Retirer de la liste les images sélectionnées ; les fichiers eux-mêmes ne sont pas supprimés</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>Réd&amp;uire</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>Réduire chaque image de la liste sous la taille maximale et enregistrer les résultats dans le dossier d’exportation</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>Arrê&amp;ter</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>Arrêter maintenant : l'image en cours est abandonnée et rien d'inachevé ne reste</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>Tout &amp;sélectionner</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>&amp;Préférences…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>À &amp;propos de Pictaro</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>&amp;Quitter</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>&amp;Aide de Pictaro</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>&amp;Minimiser</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>Masquer les autres</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>État</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>Image</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>Nom du fichier</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>Image en cours</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>Nom :</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>Dimensions :</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>Taille :</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>Qualité :</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>État :</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>Terminé</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>Échec</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>En attente</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>Inconnue</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>Résumé</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>Images dans la liste :</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>Converties :</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>Échecs :</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>Toutes les images ont été traitées.</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>Les images réduites se trouvent dans le dossier d’exportation. Les images qui n’ont pas pu être converties sont marquées en échec dans la liste.</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>La taille de fichier maximale de chaque image. Saisissez uniquement des chiffres ; choisissez KB ou MB à côté du champ.</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>Exporter vers :</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>Parcourir…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>Préférences</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>Qualité JPEG minimale :</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>Plus léger</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>Meilleure</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>Ne jamais réduire les images en dessous de :</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>Largeur :</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>Hauteur :</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>Réduire les dimensions des images quand baisser la qualité ne suffit pas</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>Ajuster avec la meilleure qualité possible</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>Encode l’original une seule fois à la meilleure qualité qui tient dans la limite, au lieu de baisser la qualité pas à pas.</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>À propos de Pictaro</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>Site web</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>Ces fichiers et dossiers figurent déjà dans la liste et n’ont pas été ajoutés à nouveau :</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>Déjà dans la liste</translation>
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
        <translation>É&amp;dition</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>Fe&amp;nêtre</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>Barre d’outils</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>Images</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>Taille maximale :</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>Choisir le dossier d’exportation</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>Ajouter des images</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>Ajouter un dossier d’images</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>le fichier ne peut pas être lu</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>le fichier est endommagé ou n'est pas une image de son type</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>l'image est trop grande pour être décodée</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>ne tient pas sous %1, même à la qualité la plus basse</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>ne tient pas sous %1, même à la qualité la plus basse et à la plus petite taille, %2 (réglée dans les Préférences, ou avec --min-box dans le terminal)</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>le dossier d'exportation est absent ou n'est pas accessible en écriture</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>disque plein</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>écriture impossible</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>le traitement a été arrêté</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>appareil photo non pris en charge</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>type d'image que Pictaro ne lit pas</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>le décodeur a planté sur ce fichier</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>le décodeur a mis trop de temps</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>Saisissez une taille maximale supérieure à 0.</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>Il n’y a aucune image à réduire. Ajoutez d’abord des fichiers ou un dossier, ou déposez-les ici.</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>Ajoutez des images avec « Ajouter des fichiers » ou « Ajouter un dossier », ou déposez ici des fichiers et des dossiers.</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>Choisissez un dossier d’exportation.</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>« %1 » n’est pas un dossier.</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>Impossible d’écrire dans le dossier d’exportation « %1 ».</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>Impossible de créer le dossier d’exportation « %1 » : le dossier qui doit le contenir n’existe pas.</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>Impossible de créer le dossier d’exportation « %1 » à cet endroit.</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>Converties : %1, en échec : %2.</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>Les images réduites se trouvent dans le dossier d’exportation.</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>Aucune image n’a pu être convertie. Pointez une image en échec dans la liste pour en voir la raison.</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>Ouvrir le dossier d’exportation</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>%1 sur %2</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>Résultat</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2, −%3 %</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1, déjà sous la limite</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>Conversion en cours</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>Échec : %1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>px</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>Images à la fois :</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>Au-delà de 1, plusieurs images sont converties ensemble sur un ordinateur à plusieurs cœurs, chacune avec son image en taille réelle en mémoire. Les résultats sont les mêmes.</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>Métadonnées (EXIF, XMP, IPTC) :</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>Conserver toutes les métadonnées</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>Tout conserver sauf le lieu</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>Supprimer toutes les métadonnées</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>La date de prise de vue, l’appareil, l’exposition et le copyright accompagnent chaque image. Sans le lieu, la position GPS, les noms du lieu (ville, région, pays), les notes du fabricant de l’appareil et les numéros de série sont retirés.</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>&amp;Enregistrer les images en :</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>Logiciel libre sous la licence publique générale GNU, version 3 ou ultérieure</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>Des images se trouvent dans le dossier d’exportation sous les noms que prendraient leurs JPEG.</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>Originaux que le traitement remplacerait : %1. Les remplacer par les JPEG, ou les garder et écrire chaque JPEG à côté de son original sous un nouveau nom, comme photo-2.jpg ?</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>&amp;Remplacer les originaux</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>É&amp;crire à côté</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>Enregistré sous %1</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>Afficha&amp;ge</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>&amp;Annuler le retrait</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>&amp;Comparer à l'original</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>Comparer</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>&amp;Ajuster à la fenêtre</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>Ajuster</translation>
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
        <translation>Avant et après</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>L'original à gauche du séparateur, le résultat à droite, à la même échelle. Maintenez Espace pour voir l'original seul ; Maj+Gauche et Maj+Droite déplacent le séparateur, Début et Fin le mettent au bord ; les flèches déplacent les images.</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>Résultat</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>Résultat %1, %2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>calcul en cours…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM : à quel point le résultat ressemble à l'original à la taille du résultat, de 0 à 1 (identique).</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>Impossible de lire l'original : %1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>Impossible de lire le résultat : %1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro n'a pas pu ouvrir la page %1 : aucun navigateur web n'est configuré pour l'afficher.</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro n'a pas pu ouvrir le dossier %1 : aucun gestionnaire de fichiers n'est configuré pour l'afficher.</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>Images</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>Les images de la liste. Les flèches passent de l'une à l'autre, Suppr retire celles qui sont sélectionnées et Ctrl+Z les remet.</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>Image</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>Choisir le dossier d'export dans un sélecteur de fichiers, où l'on peut aussi en créer un</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>Afficher le dossier d'export dans le gestionnaire de fichiers</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>Le dossier où sont écrites les images réduites ; la liste contient les derniers dossiers utilisés</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>Kilo-octets : 1 KB vaut 1 000 octets</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>Mégaoctets : 1 MB vaut 1 000 000 octets</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>La limite est un nombre entier.</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>La limite est un nombre entier : pour une fraction de MB, choisissez KB.</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>La limite est un nombre entier : pour %1, tapez %2.</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>Avertissement</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>un lien ou un fichier se trouve là où son dossier devait être créé dans le dossier d’export</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>non écrite : les images ensemble ne tiennent pas sous %1, même à la qualité la plus basse et à la plus petite taille</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>&amp;Jamais plus grand que</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>Largeur maximale</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>Hauteur maximale</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>Les images plus grandes sont réduites dans ce cadre avant d’être ajustées. Ses côtés suivent l’image : un cadre de 1920 x 1080 reçoit une photo en portrait en 1080 x 1920.</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>La taille maximale ne doit pas être inférieure à la taille minimale, %1 x %2.</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>Conserver les d&amp;ossiers</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>Les images d’un dossier ajouté vont dans les mêmes dossiers du dossier d’export.</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>Conserver les &amp;dates</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>Chaque sortie reçoit la date de modification de son original.</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>par image</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>toutes ensemble</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>La limite vaut pour</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>Chaque image sous la limite, ou toutes les images ensemble : chacune reçoit alors autant de qualité que le budget le permet</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>Ensemble :</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>%1 écrits sur %2</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>dépasse %1 de %2 même à la qualité la plus basse et à la plus petite taille : rien n’a été écrit</translation>
    </message>
</context>
</TS>
