<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>&amp;Add Files</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>Add picture files to the list</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>Add F&amp;older</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>Add every picture in a folder and its subfolders to the list</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>&amp;Remove</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>Remove the selected pictures from the list; the files themselves are not deleted</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>Re&amp;size</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>Shrink every picture in the list to fit under the size limit and save the results in the export folder</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>&amp;Stop</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>Select &amp;All</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>&amp;Preferences…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>&amp;About Pictaro</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>&amp;Quit</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>Pictaro &amp;Help</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>&amp;Minimize</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>Hide Others</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>Picture</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>File Name</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>Current Picture</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>Name:</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>Dimensions:</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>Size:</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>Quality:</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>Status:</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>Done</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>Failed</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>Waiting</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>Unknown</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>Summary</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>Pictures in the list:</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>Converted:</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>Failed:</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>All pictures have been processed.</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>Export to:</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>Browse…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>Open</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>Preferences</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>Lowest JPEG quality:</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>Smaller</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>Better</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>Never scale pictures below:</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>Width:</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>Height:</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>Cancel</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>Scale pictures down when lowering the quality is not enough</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>Fit at the best quality</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>About Pictaro</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>Version</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>Home Page</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>These files and folders are already in the list and were not added again:</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>Already Listed</translation>
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
        <translation>&amp;Edit</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>&amp;Window</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>&amp;Help</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>Toolbar</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>Pictures</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>Size limit:</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>Choose Export Folder</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>Add Pictures</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>Add Folder of Pictures</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>the file cannot be read</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>the file is damaged or is not a picture of its type</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>the picture is too large to decode</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>does not fit under %1 even at the lowest quality</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>the export folder is missing or cannot be written to</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>disk full</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>could not write</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>the run was stopped</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>camera not supported</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>not a picture type Pictaro reads</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>the decoder crashed on this file</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>the decoder took too long</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>Enter a size limit above 0.</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>There are no pictures to resize. Add files or a folder first, or drop them here.</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>Add pictures with Add Files or Add Folder, or drop files and folders here.</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>Choose an export folder.</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>“%1” is not a folder.</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>The export folder “%1” cannot be written to.</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>The export folder “%1” cannot be created: the folder it would go in does not exist.</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>The export folder “%1” cannot be created there.</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>%1 converted, %2 failed.</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>The shrunk pictures are in the export folder.</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>No picture could be converted. Point at a failed picture in the list to see why.</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>Open Export Folder</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>Result</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2, −%3 %</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1, already under the limit</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>Converting</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>px</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>Pictures at once:</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>Metadata (EXIF, XMP, IPTC):</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>Keep all metadata</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>Keep all but the location</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>Remove all metadata</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>&amp;Write pictures as:</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>Free software under the GNU General Public License, version 3 or later</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>Some pictures are in the export folder under the names their JPEGs would get.</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>&amp;Replace Originals</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>&amp;Write Beside Them</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>Written to %1</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>&amp;View</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>&amp;Undo Remove</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>&amp;Compare with Original</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>Compare</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>Zoom to &amp;Fit</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>Fit</translation>
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
        <translation>Before and after</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>Original</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>Output</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>Output %1, %2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>computing…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>The original cannot be read: %1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>The output cannot be read: %1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro could not open the page %1: no web browser is set up to show it.</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro could not open the folder %1: no file manager is set up to show it.</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>Pictures</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>Picture</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>Choose the export folder in a file chooser, where you can also make a new one</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>Show the export folder in the file manager</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>The folder the resized pictures are written to; the list holds the folders used last</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>Kilobytes: 1 KB is 1,000 bytes</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>Megabytes: 1 MB is 1,000,000 bytes</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>The limit is a whole number.</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>The limit is a whole number: for part of a MB, choose KB.</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>The limit is a whole number: for %1, type %2.</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>Warning</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>a link or a file stands where its folder was to be made in the export folder</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>&amp;Never larger than</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>Largest width</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>Largest height</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>The largest size must not be smaller than the smallest size, %1 x %2.</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>Keep &amp;folders</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>Pictures of an added folder go into the same folders in the export folder.</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>Keep file &amp;dates</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>Each output gets its original's modification date.</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>each picture</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>all together</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>The limit holds for</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>All together:</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>%1 written of %2</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>over %1 by %2 even at the lowest quality and the smallest size: nothing written</translation>
    </message>
</context>
</TS>
