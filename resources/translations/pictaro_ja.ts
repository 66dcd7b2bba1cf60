<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>ファイルを追加(&amp;A)</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>画像ファイルをリストに追加します</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>フォルダーを追加(&amp;O)</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>フォルダーとそのサブフォルダーにあるすべての画像をリストに追加します</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>除外(&amp;R)</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>選択した画像をリストから除外します。ファイル自体は削除されません</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>縮小(&amp;S)</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>リストのすべての画像をサイズ上限以下に縮小し、書き出し先フォルダーに保存します</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>停止(&amp;S)</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>今すぐ停止：縮小中の画像は中止され、書きかけのファイルは残りません</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>すべて選択(&amp;A)</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>環境設定(&amp;P)…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>Pictaro について(&amp;A)</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>Pictaro ヘルプ(&amp;H)</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>最小化(&amp;M)</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>ほかを隠す</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>状態</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>画像</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>ファイル名</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>現在の画像</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>名前：</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>寸法：</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>サイズ：</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>画質：</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>状態：</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>完了</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>失敗</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>待機中</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>不明</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>概要</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>リストの画像：</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>変換済み：</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>失敗：</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>すべての画像を処理しました。</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>縮小した画像は書き出し先フォルダーにあります。変換できなかった画像は、リストに「失敗」と表示されます。</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>各画像の最大ファイルサイズです。数字のみを入力し、欄の横で KB か MB を選んでください。</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>書き出し先：</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>参照…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>環境設定</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>JPEG の最低画質：</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>サイズ優先</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>画質優先</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>縮小の下限：</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>幅：</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>高さ：</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>画質を下げても足りないときは画像を縮小する</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>最高画質で収める</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>画質を段階的に下げるのではなく、制限に収まる最高の画質で元画像を一度だけエンコードします。</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>Pictaro について</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>バージョン</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>ホームページ</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>次のファイルとフォルダーはすでにリストにあるため、追加しませんでした：</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>追加済み</translation>
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
        <translation>編集(&amp;E)</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>ウィンドウ(&amp;W)</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>ツールバー</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>画像</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>サイズ上限：</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>書き出し先フォルダーを選択</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>画像を追加</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>画像フォルダーを追加</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>ファイルを読み込めません</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>ファイルが壊れているか、その種類の画像ではありません</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>画像が大きすぎてデコードできません</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>最低画質でも %1 未満に収まりません</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>最低画質・縮小の下限 %2 でも %1 未満に収まりません（下限は環境設定、または端末の --min-box で変更できます）</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>書き出し先フォルダーが存在しないか、書き込めません</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>ディスクがいっぱいです</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>書き込めませんでした</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>処理が停止されました</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>このカメラには対応していません</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>Pictaro が読めない画像形式です</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>このファイルでデコーダーがクラッシュしました</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>デコーダーの処理に時間がかかりすぎました</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>0 より大きいサイズ上限を入力してください。</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>縮小する画像がありません。まずファイルかフォルダーを追加するか、ここにドロップしてください。</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>「ファイルを追加」か「フォルダーを追加」で画像を追加するか、ファイルやフォルダーをここにドロップしてください。</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>書き出し先フォルダーを選んでください。</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>「%1」はフォルダーではありません。</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>書き出し先フォルダー「%1」に書き込めません。</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>書き出し先フォルダー「%1」を作成できません。その親フォルダーがありません。</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>書き出し先フォルダー「%1」をその場所に作成できません。</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>変換済み %1 件、失敗 %2 件。</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>縮小した画像は書き出し先フォルダーにあります。</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>変換できた画像はありません。リストの失敗した画像にポインターを合わせると理由が表示されます。</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>書き出し先フォルダーを開く</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>%1 / %2</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>結果</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2（−%3%）</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1（すでに上限以下）</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>変換中</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>失敗：%1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>px</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>同時に変換する画像の数：</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>1 より大きくすると、複数のコアを持つコンピューターで複数の画像を同時に変換します。それぞれ元のサイズの画像をメモリーに保持します。結果は変わりません。</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>メタデータ（EXIF、XMP、IPTC）：</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>すべてのメタデータを残す</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>位置情報以外をすべて残す</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>すべてのメタデータを削除する</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>撮影日時、カメラ、露出、著作権情報は各画像に残ります。位置情報を除く場合は、GPS 位置、地名（市区町村、都道府県、国）、カメラのメーカーノート、シリアル番号が削除されます。</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>画像の保存形式(&amp;W)：</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>GNU 一般公衆利用許諾書 バージョン 3 以降のもとで提供されるフリーソフトウェア</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>書き出し先フォルダーに、JPEG が使う名前と同じ名前の画像があります。</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>置き換えられる元の画像：%1。JPEG で置き換えますか？それとも元の画像を残し、各 JPEG を photo-2.jpg のような新しい名前で隣に書き出しますか？</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>元の画像を置き換える(&amp;R)</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>隣に書き出す(&amp;W)</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>%1 に書き出しました</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>除外を取り消す(&amp;U)</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>元の画像と比較(&amp;C)</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>比較</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>全体を表示(&amp;F)</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>全体</translation>
    </message>
    <message id="L_MIZoom100">
        <source>Zoom &amp;100 %</source>
        <translation>100 % で表示(&amp;1)</translation>
    </message>
    <message id="L_Zoom100">
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message id="L_MIZoom200">
        <source>Zoom &amp;200 %</source>
        <translation>200 % で表示(&amp;2)</translation>
    </message>
    <message id="L_Zoom200">
        <source>200 %</source>
        <translation>200 %</translation>
    </message>
    <message id="L_CompareViewName">
        <source>Before and after</source>
        <translation>変換前と変換後</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>区切り線の左に元の画像、右に変換後の画像を同じ倍率で表示します。Space キーを押している間は元の画像だけを表示します。Shift+← と Shift+→ で区切り線を動かし、Home と End で端に寄せます。矢印キーで画像を動かします。</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>元の画像</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>変換後</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>変換後 %1、%2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>計算中…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM：変換後の画像が、同じ大きさにした元の画像にどれだけ近いかを 0 から 1（同一）で示します。</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>元の画像を読み込めません：%1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>変換後の画像を読み込めません：%1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro はページ %1 を開けませんでした。表示できる Web ブラウザーが設定されていません。</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro はフォルダー %1 を開けませんでした。表示できるファイルマネージャーが設定されていません。</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>画像</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>一覧の画像です。矢印キーで移動し、Delete で選択した画像を除外、Ctrl+Z で元に戻します。</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>画像</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>ファイル選択ダイアログで書き出し先フォルダーを選びます（新しいフォルダーも作れます）</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>書き出し先フォルダーをファイルマネージャーで表示します</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>縮小した画像を書き出すフォルダー。一覧には最近使ったフォルダーがあります</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>キロバイト（1 KB = 1,000 バイト）</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>メガバイト（1 MB = 1,000,000 バイト）</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>上限は整数で入力します。</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>上限は整数で入力します。1 MB 未満は KB を選んでください。</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>上限は整数で入力します。%1 なら %2 と入力してください。</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>書き出し先フォルダー内でフォルダーを作る場所にリンクまたはファイルがあります</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>書き出していません: 最低画質・最小サイズでも画像の合計が %1 に収まりません</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>最大サイズ(&amp;N)</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>最大の幅</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>最大の高さ</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>これより大きい画像は、調整の前にこの枠内に縮小されます。枠の辺は画像の向きに従います。1920 x 1080 の枠は縦長の写真を 1080 x 1920 として扱います。</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>最大サイズは最小サイズ (%1 x %2) より小さくできません。</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>フォルダー構成を保つ(&amp;F)</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>追加したフォルダーの画像を書き出し先の同じフォルダーに入れます。</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>ファイルの日時を保つ(&amp;D)</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>出力に元のファイルの更新日時を付けます。</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>1 枚ごと</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>合計</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>上限の対象</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>1 枚ずつ上限未満にするか、全画像の合計を上限未満にします (合計の場合、各画像に予算が許す限りの画質を割り当てます)</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>合計:</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>%2 のうち %1 を書き出しました</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>最低画質・最小サイズでも %1 を %2 超えます: 何も書き出していません</translation>
    </message>
</context>
</TS>
