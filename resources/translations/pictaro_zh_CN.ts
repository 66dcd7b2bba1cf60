<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN" sourcelanguage="en">
<context>
    <name>Pictaro</name>
    <message id="L_TBIAddFile">
        <source>&amp;Add Files</source>
        <translation>添加文件(&amp;A)</translation>
    </message>
    <message id="L_TBIAddFileTip">
        <source>Add picture files to the list</source>
        <translation>将图片文件添加到列表</translation>
    </message>
    <message id="L_TBIAddFolder">
        <source>Add F&amp;older</source>
        <translation>添加文件夹(&amp;O)</translation>
    </message>
    <message id="L_TBIAddFolderTip">
        <source>Add every picture in a folder and its subfolders to the list</source>
        <translation>将文件夹及其子文件夹中的所有图片添加到列表</translation>
    </message>
    <message id="L_TBIDel">
        <source>&amp;Remove</source>
        <translation>移除(&amp;R)</translation>
    </message>
    <message id="L_TBIDelTip">
        <source>Remove the selected pictures from the list; the files themselves are not deleted</source>
        <translation>从列表中移除所选图片；文件本身不会被删除</translation>
    </message>
    <message id="L_TBIResize">
        <source>Re&amp;size</source>
        <translation>压缩(&amp;S)</translation>
    </message>
    <message id="L_TBIResizeTip">
        <source>Shrink every picture in the list to fit under the size limit and save the results in the export folder</source>
        <translation>将列表中的每张图片压缩到大小限制以内，并将结果保存到导出文件夹</translation>
    </message>
    <message id="L_TBIStop">
        <source>&amp;Stop</source>
        <translation>停止(&amp;S)</translation>
    </message>
    <message id="L_TBIStopTip">
        <source>Stop now: the picture being shrunk is abandoned, and nothing half-written is left behind</source>
        <translation>立即停止：正在缩小的图片将被放弃，不会留下写了一半的文件</translation>
    </message>
    <message id="L_MISelectAll">
        <source>Select &amp;All</source>
        <translation>全选(&amp;A)</translation>
    </message>
    <message id="L_MIPreference">
        <source>&amp;Preferences…</source>
        <translation>首选项(&amp;P)…</translation>
    </message>
    <message id="L_MIAbout">
        <source>&amp;About Pictaro</source>
        <translation>关于 Pictaro(&amp;A)</translation>
    </message>
    <message id="L_MIQuit">
        <source>&amp;Quit</source>
        <translation>退出(&amp;Q)</translation>
    </message>
    <message id="L_MIHelp">
        <source>Pictaro &amp;Help</source>
        <translation>Pictaro 帮助(&amp;H)</translation>
    </message>
    <message id="L_MIHideApp">
        <source>&amp;Minimize</source>
        <translation>最小化(&amp;M)</translation>
    </message>
    <message id="L_MIHideOther">
        <source>Hide Others</source>
        <translation>隐藏其他</translation>
    </message>
    <message id="L_MIApp">
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message id="L_ColState">
        <source>Status</source>
        <translation>状态</translation>
    </message>
    <message id="L_ColPic">
        <source>Picture</source>
        <translation>图片</translation>
    </message>
    <message id="L_ColName">
        <source>File Name</source>
        <translation>文件名</translation>
    </message>
    <message id="L_LogBoxTitle">
        <source>Current Picture</source>
        <translation>当前图片</translation>
    </message>
    <message id="L_Name">
        <source>Name:</source>
        <translation>名称：</translation>
    </message>
    <message id="L_Scale">
        <source>Dimensions:</source>
        <translation>尺寸：</translation>
    </message>
    <message id="L_Size">
        <source>Size:</source>
        <translation>大小：</translation>
    </message>
    <message id="L_Quality">
        <source>Quality:</source>
        <translation>质量：</translation>
    </message>
    <message id="L_Progress">
        <source>Status:</source>
        <translation>状态：</translation>
    </message>
    <message id="L_LogConvertOK">
        <source>Done</source>
        <translation>完成</translation>
    </message>
    <message id="L_LogConvertError">
        <source>Failed</source>
        <translation>失败</translation>
    </message>
    <message id="L_LogConvertWait">
        <source>Waiting</source>
        <translation>等待中</translation>
    </message>
    <message id="L_Unknown">
        <source>Unknown</source>
        <translation>未知</translation>
    </message>
    <message id="L_ReportBoxPreview">
        <source>Summary</source>
        <translation>汇总</translation>
    </message>
    <message id="L_FileTotal">
        <source>Pictures in the list:</source>
        <translation>列表中的图片：</translation>
    </message>
    <message id="L_ResizeOKNum">
        <source>Converted:</source>
        <translation>已转换：</translation>
    </message>
    <message id="L_ResizeErrorNum">
        <source>Failed:</source>
        <translation>失败：</translation>
    </message>
    <message id="L_ResizeEnd">
        <source>All pictures have been processed.</source>
        <translation>所有图片均已处理。</translation>
    </message>
    <message id="L_ResizeEndCaution">
        <source>The shrunk pictures are in the export folder. Pictures that could not be converted are marked as failed in the list.</source>
        <translation>压缩后的图片位于导出文件夹中。无法转换的图片在列表中标记为失败。</translation>
    </message>
    <message id="L_OKBT">
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message id="L_LimitSizeTip">
        <source>The largest file size each picture may have. Type digits only; choose KB or MB next to the field.</source>
        <translation>每张图片允许的最大文件大小。只能输入数字；在输入框旁选择 KB 或 MB。</translation>
    </message>
    <message id="L_ExportLB">
        <source>Export to:</source>
        <translation>导出到：</translation>
    </message>
    <message id="L_Brows">
        <source>Browse…</source>
        <translation>浏览…</translation>
    </message>
    <message id="L_Open">
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message id="L_PreferenceTitle">
        <source>Preferences</source>
        <translation>首选项</translation>
    </message>
    <message id="L_ImageQualityLabel">
        <source>Lowest JPEG quality:</source>
        <translation>最低 JPEG 质量：</translation>
    </message>
    <message id="L_poorLB">
        <source>Smaller</source>
        <translation>文件更小</translation>
    </message>
    <message id="L_goodLB">
        <source>Better</source>
        <translation>画质更好</translation>
    </message>
    <message id="L_ImageScaleLabel">
        <source>Never scale pictures below:</source>
        <translation>缩放时图片不小于：</translation>
    </message>
    <message id="L_WidthLB">
        <source>Width:</source>
        <translation>宽度：</translation>
    </message>
    <message id="L_HighLB">
        <source>Height:</source>
        <translation>高度：</translation>
    </message>
    <message id="L_CancelBT">
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
    <message id="L_EnableScale">
        <source>Scale pictures down when lowering the quality is not enough</source>
        <translation>仅降低质量仍不够时，缩小图片尺寸</translation>
    </message>
    <message id="L_BestQuality">
        <source>Fit at the best quality</source>
        <translation>以最佳质量压缩</translation>
    </message>
    <message id="L_BestQualityHint">
        <source>Encodes the original once at the highest quality that fits, instead of lowering the quality step by step.</source>
        <translation>以不超过限制的最高质量对原图只编码一次，而不是逐步降低质量。</translation>
    </message>
    <message id="L_AboutMenu">
        <source>About Pictaro</source>
        <translation>关于 Pictaro</translation>
    </message>
    <message id="L_Version">
        <source>Version</source>
        <translation>版本</translation>
    </message>
    <message id="L_BTHomePage">
        <source>Home Page</source>
        <translation>主页</translation>
    </message>
    <message id="L_RepeatAddFileFolder">
        <source>These files and folders are already in the list and were not added again:</source>
        <translation>以下文件和文件夹已在列表中，未再次添加：</translation>
    </message>
    <message id="L_Warn">
        <source>Already Listed</source>
        <translation>已在列表中</translation>
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
        <translation>编辑(&amp;E)</translation>
    </message>
    <message id="L_MenuWindow">
        <source>&amp;Window</source>
        <translation>窗口(&amp;W)</translation>
    </message>
    <message id="L_MenuHelp">
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message id="L_ToolBar">
        <source>Toolbar</source>
        <translation>工具栏</translation>
    </message>
    <message id="L_PictureFiles">
        <source>Pictures</source>
        <translation>图片</translation>
    </message>
    <message id="L_LimitSizeLB">
        <source>Size limit:</source>
        <translation>大小限制：</translation>
    </message>
    <message id="L_ChooseExportFolder">
        <source>Choose Export Folder</source>
        <translation>选择导出文件夹</translation>
    </message>
    <message id="L_ChooseFiles">
        <source>Add Pictures</source>
        <translation>添加图片</translation>
    </message>
    <message id="L_ChooseFolder">
        <source>Add Folder of Pictures</source>
        <translation>添加图片文件夹</translation>
    </message>
    <message id="L_FailSourceUnreadable">
        <source>the file cannot be read</source>
        <translation>无法读取文件</translation>
    </message>
    <message id="L_FailDamaged">
        <source>the file is damaged or is not a picture of its type</source>
        <translation>文件已损坏或不是其类型的图片</translation>
    </message>
    <message id="L_FailTooLarge">
        <source>the picture is too large to decode</source>
        <translation>图片太大，无法解码</translation>
    </message>
    <message id="L_FailNoFit">
        <source>does not fit under %1 even at the lowest quality</source>
        <translation>即使使用最低质量也无法小于 %1</translation>
    </message>
    <message id="L_FailNoFitScaled">
        <source>does not fit under %1 even at the lowest quality and the smallest size, %2 (set in Preferences, or with --min-box in the terminal)</source>
        <translation>即使使用最低质量和最小尺寸 %2 也无法小于 %1（最小尺寸可在首选项中设置，或在终端中使用 --min-box）</translation>
    </message>
    <message id="L_FailExportFolder">
        <source>the export folder is missing or cannot be written to</source>
        <translation>导出文件夹不存在或不可写</translation>
    </message>
    <message id="L_FailDiskFull">
        <source>disk full</source>
        <translation>磁盘已满</translation>
    </message>
    <message id="L_FailWrite">
        <source>could not write</source>
        <translation>无法写入</translation>
    </message>
    <message id="L_FailStopped">
        <source>the run was stopped</source>
        <translation>已停止处理</translation>
    </message>
    <message id="L_FailCamera">
        <source>camera not supported</source>
        <translation>不支持该相机</translation>
    </message>
    <message id="L_FailUnsupported">
        <source>not a picture type Pictaro reads</source>
        <translation>Pictaro 无法读取此图片类型</translation>
    </message>
    <message id="L_FailDecoderCrashed">
        <source>the decoder crashed on this file</source>
        <translation>解码器在处理此文件时崩溃</translation>
    </message>
    <message id="L_FailDecoderTimedOut">
        <source>the decoder took too long</source>
        <translation>解码器耗时过长</translation>
    </message>
    <message id="L_NeedLimit">
        <source>Enter a size limit above 0.</source>
        <translation>请输入大于 0 的大小限制。</translation>
    </message>
    <message id="L_NeedPictures">
        <source>There are no pictures to resize. Add files or a folder first, or drop them here.</source>
        <translation>没有要压缩的图片。请先添加文件或文件夹，或将它们拖放到这里。</translation>
    </message>
    <message id="L_ListEmptyHint">
        <source>Add pictures with Add Files or Add Folder, or drop files and folders here.</source>
        <translation>使用“添加文件”或“添加文件夹”添加图片，或将文件和文件夹拖放到这里。</translation>
    </message>
    <message id="L_ExportEmpty">
        <source>Choose an export folder.</source>
        <translation>请选择导出文件夹。</translation>
    </message>
    <message id="L_ExportNotAFolder">
        <source>“%1” is not a folder.</source>
        <translation>“%1”不是文件夹。</translation>
    </message>
    <message id="L_ExportNotWritable">
        <source>The export folder “%1” cannot be written to.</source>
        <translation>无法写入导出文件夹“%1”。</translation>
    </message>
    <message id="L_ExportNoParent">
        <source>The export folder “%1” cannot be created: the folder it would go in does not exist.</source>
        <translation>无法创建导出文件夹“%1”：它所在的上级文件夹不存在。</translation>
    </message>
    <message id="L_ExportCannotCreate">
        <source>The export folder “%1” cannot be created there.</source>
        <translation>无法在该位置创建导出文件夹“%1”。</translation>
    </message>
    <message id="L_ResizeEndCounts">
        <source>%1 converted, %2 failed.</source>
        <translation>已转换 %1 张，失败 %2 张。</translation>
    </message>
    <message id="L_ResizeEndAllOK">
        <source>The shrunk pictures are in the export folder.</source>
        <translation>压缩后的图片位于导出文件夹中。</translation>
    </message>
    <message id="L_ResizeEndNoneOK">
        <source>No picture could be converted. Point at a failed picture in the list to see why.</source>
        <translation>没有任何图片能够转换。将鼠标指向列表中失败的图片即可查看原因。</translation>
    </message>
    <message id="L_OpenExportFolder">
        <source>Open Export Folder</source>
        <translation>打开导出文件夹</translation>
    </message>
    <message id="L_RunProgress">
        <source>%1 of %2</source>
        <translation>第 %1 张，共 %2 张</translation>
    </message>
    <message id="L_ColResult">
        <source>Result</source>
        <translation>结果</translation>
    </message>
    <message id="L_ResultSaving">
        <source>%1 → %2, −%3 %</source>
        <translation>%1 → %2，−%3%</translation>
    </message>
    <message id="L_ResultKept">
        <source>%1, already under the limit</source>
        <translation>%1，已低于限制</translation>
    </message>
    <message id="L_LogConverting">
        <source>Converting</source>
        <translation>正在转换</translation>
    </message>
    <message id="L_LogConvertErrorReason">
        <source>Failed: %1</source>
        <translation>失败：%1</translation>
    </message>
    <message id="L_UnitPx">
        <source>px</source>
        <translation>像素</translation>
    </message>
    <message id="L_ParallelJobs">
        <source>Pictures at once:</source>
        <translation>同时处理的图片数：</translation>
    </message>
    <message id="L_ParallelJobsHint">
        <source>More than 1 converts several pictures together on a computer with several cores, each with its full-size picture in memory. The results are the same.</source>
        <translation>大于 1 时，在多核计算机上同时转换多张图片，每张图片都以原始尺寸占用内存。结果不变。</translation>
    </message>
    <message id="L_MetadataLabel">
        <source>Metadata (EXIF, XMP, IPTC):</source>
        <translation>元数据（EXIF、XMP、IPTC）：</translation>
    </message>
    <message id="L_MetadataKeepAll">
        <source>Keep all metadata</source>
        <translation>保留全部元数据</translation>
    </message>
    <message id="L_MetadataNoLocation">
        <source>Keep all but the location</source>
        <translation>保留全部，位置信息除外</translation>
    </message>
    <message id="L_MetadataRemoveAll">
        <source>Remove all metadata</source>
        <translation>删除全部元数据</translation>
    </message>
    <message id="L_MetadataHint">
        <source>The date taken, the camera, the exposure and the copyright go with each picture. Without the location, the GPS position, the place names (city, state, country), the camera maker's notes and the serial numbers are left out.</source>
        <translation>拍摄日期、相机、曝光参数和版权信息随每张图片保留。去除位置信息时，将删除 GPS 位置、地名（城市、省/州、国家）、相机厂商注释和序列号。</translation>
    </message>
    <message id="L_OutputFormatLabel">
        <source>&amp;Write pictures as:</source>
        <translation>图片保存格式(&amp;W)：</translation>
    </message>
    <message id="L_AboutLicence">
        <source>Free software under the GNU General Public License, version 3 or later</source>
        <translation>自由软件，依据 GNU 通用公共许可证第 3 版或更高版本发布</translation>
    </message>
    <message id="L_OriginalsInTheWay">
        <source>Some pictures are in the export folder under the names their JPEGs would get.</source>
        <translation>导出文件夹中有图片使用了其 JPEG 将要使用的名称。</translation>
    </message>
    <message id="L_OriginalsInTheWayCount">
        <source>Originals the run would replace: %1. Replace them with the JPEGs, or keep them and write each JPEG beside its original under a new name, such as photo-2.jpg?</source>
        <translation>此次运行将替换的原图：%1。用 JPEG 替换它们，还是保留原图并以新名称（如 photo-2.jpg）将每个 JPEG 写在原图旁边？</translation>
    </message>
    <message id="L_ReplaceOriginalsBT">
        <source>&amp;Replace Originals</source>
        <translation>替换原图(&amp;R)</translation>
    </message>
    <message id="L_WriteBesideBT">
        <source>&amp;Write Beside Them</source>
        <translation>写在旁边(&amp;W)</translation>
    </message>
    <message id="L_ResultWrittenTo">
        <source>Written to %1</source>
        <translation>已写入 %1</translation>
    </message>
    <message id="L_MenuView">
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message id="L_MIUndoRemove">
        <source>&amp;Undo Remove</source>
        <translation>撤销移除(&amp;U)</translation>
    </message>
    <message id="L_MICompare">
        <source>&amp;Compare with Original</source>
        <translation>与原图比较(&amp;C)</translation>
    </message>
    <message id="L_Compare">
        <source>Compare</source>
        <translation>比较</translation>
    </message>
    <message id="L_MIZoomFit">
        <source>Zoom to &amp;Fit</source>
        <translation>适合窗口(&amp;F)</translation>
    </message>
    <message id="L_ZoomFit">
        <source>Fit</source>
        <translation>适合</translation>
    </message>
    <message id="L_MIZoom100">
        <source>Zoom &amp;100 %</source>
        <translation>缩放 100 %(&amp;1)</translation>
    </message>
    <message id="L_Zoom100">
        <source>100 %</source>
        <translation>100 %</translation>
    </message>
    <message id="L_MIZoom200">
        <source>Zoom &amp;200 %</source>
        <translation>缩放 200 %(&amp;2)</translation>
    </message>
    <message id="L_Zoom200">
        <source>200 %</source>
        <translation>200 %</translation>
    </message>
    <message id="L_CompareViewName">
        <source>Before and after</source>
        <translation>处理前后对比</translation>
    </message>
    <message id="L_CompareViewDesc">
        <source>The original left of the divider, the output right of it, at the same scale. Hold Space to see the original alone; Shift+Left and Shift+Right move the divider, Home and End put it at the edges; the arrow keys move the pictures.</source>
        <translation>分隔线左侧为原图，右侧为输出，比例相同。按住空格键只显示原图；Shift+左方向键和 Shift+右方向键移动分隔线，Home 和 End 将其移到边缘；方向键移动图片。</translation>
    </message>
    <message id="L_CompareBefore">
        <source>Original</source>
        <translation>原图</translation>
    </message>
    <message id="L_CompareAfter">
        <source>Output</source>
        <translation>输出</translation>
    </message>
    <message id="L_CompareInfo">
        <source>Output %1, %2 · SSIM %3</source>
        <translation>输出 %1，%2 · SSIM %3</translation>
    </message>
    <message id="L_CompareComputing">
        <source>computing…</source>
        <translation>计算中…</translation>
    </message>
    <message id="L_CompareSsimTip">
        <source>SSIM: how alike the output is to the original at the output's size, from 0 to 1 (identical).</source>
        <translation>SSIM：输出与缩放到输出尺寸的原图有多相似，从 0 到 1（完全相同）。</translation>
    </message>
    <message id="L_CompareSourceFailed">
        <source>The original cannot be read: %1</source>
        <translation>无法读取原图：%1</translation>
    </message>
    <message id="L_CompareOutputFailed">
        <source>The output cannot be read: %1</source>
        <translation>无法读取输出：%1</translation>
    </message>
    <message id="L_PageNotOpened">
        <source>Pictaro could not open the page %1: no web browser is set up to show it.</source>
        <translation>Pictaro 无法打开页面 %1：没有设置可显示它的网页浏览器。</translation>
    </message>
    <message id="L_FolderNotOpened">
        <source>Pictaro could not open the folder %1: no file manager is set up to show it.</source>
        <translation>Pictaro 无法打开文件夹 %1：没有设置可显示它的文件管理器。</translation>
    </message>
    <message id="L_TableName">
        <source>Pictures</source>
        <translation>图片</translation>
    </message>
    <message id="L_TableDesc">
        <source>The listed pictures. The arrow keys move between them, Delete removes the selected ones and Ctrl+Z puts them back.</source>
        <translation>列表中的图片。方向键在图片间移动，Delete 移除所选图片，Ctrl+Z 将其放回。</translation>
    </message>
    <message id="L_PictureName">
        <source>Picture</source>
        <translation>图片</translation>
    </message>
    <message id="L_BrowsTip">
        <source>Choose the export folder in a file chooser, where you can also make a new one</source>
        <translation>在文件选择器中选择导出文件夹，也可以新建文件夹</translation>
    </message>
    <message id="L_OpenTip">
        <source>Show the export folder in the file manager</source>
        <translation>在文件管理器中显示导出文件夹</translation>
    </message>
    <message id="L_ExportTip">
        <source>The folder the resized pictures are written to; the list holds the folders used last</source>
        <translation>写入压缩后图片的文件夹；列表中是最近使用的文件夹</translation>
    </message>
    <message id="L_UnitKBTip">
        <source>Kilobytes: 1 KB is 1,000 bytes</source>
        <translation>千字节：1 KB 为 1,000 字节</translation>
    </message>
    <message id="L_UnitMBTip">
        <source>Megabytes: 1 MB is 1,000,000 bytes</source>
        <translation>兆字节：1 MB 为 1,000,000 字节</translation>
    </message>
    <message id="L_LimitWhole">
        <source>The limit is a whole number.</source>
        <translation>大小上限为整数。</translation>
    </message>
    <message id="L_LimitWholeKB">
        <source>The limit is a whole number: for part of a MB, choose KB.</source>
        <translation>大小上限为整数：不足 1 MB 时请选择 KB。</translation>
    </message>
    <message id="L_LimitWholeTry">
        <source>The limit is a whole number: for %1, type %2.</source>
        <translation>大小上限为整数：%1 请输入 %2。</translation>
    </message>
    <message id="L_WarningIcon">
        <source>Warning</source>
        <translation>警告</translation>
    </message>
    <message id="L_FailFolderInTheWay">
        <source>a link or a file stands where its folder was to be made in the export folder</source>
        <translation>导出文件夹中应创建其文件夹的位置已有链接或文件</translation>
    </message>
    <message id="L_FailOverBudget">
        <source>not written: the pictures together do not fit under %1 even at the lowest quality and the smallest size</source>
        <translation>未写入：即使用最低质量和最小尺寸，所有图片合计也无法小于 %1</translation>
    </message>
    <message id="L_LargestBox">
        <source>&amp;Never larger than</source>
        <translation>最大不超过(&amp;N)</translation>
    </message>
    <message id="L_LargestWidth">
        <source>Largest width</source>
        <translation>最大宽度</translation>
    </message>
    <message id="L_LargestHeight">
        <source>Largest height</source>
        <translation>最大高度</translation>
    </message>
    <message id="L_LargestBoxHint">
        <source>Larger pictures are scaled down into this box before they are fitted. Its sides follow the picture: a 1920 x 1080 box holds a portrait photo as 1080 x 1920.</source>
        <translation>更大的图片会先缩小到此范围内再进行调整。范围的边随图片方向而定：1920 x 1080 的范围对竖幅照片按 1080 x 1920 处理。</translation>
    </message>
    <message id="L_LargestBelowSmallest">
        <source>The largest size must not be smaller than the smallest size, %1 x %2.</source>
        <translation>最大尺寸不能小于最小尺寸 %1 x %2。</translation>
    </message>
    <message id="L_KeepFolders">
        <source>Keep &amp;folders</source>
        <translation>保留文件夹结构(&amp;F)</translation>
    </message>
    <message id="L_KeepFoldersHint">
        <source>Pictures of an added folder go into the same folders in the export folder.</source>
        <translation>添加的文件夹中的图片放入导出文件夹中相同的文件夹。</translation>
    </message>
    <message id="L_KeepDates">
        <source>Keep file &amp;dates</source>
        <translation>保留文件日期(&amp;D)</translation>
    </message>
    <message id="L_KeepDatesHint">
        <source>Each output gets its original's modification date.</source>
        <translation>每个输出文件使用原文件的修改日期。</translation>
    </message>
    <message id="L_LimitEach">
        <source>each picture</source>
        <translation>每张图片</translation>
    </message>
    <message id="L_LimitAllTogether">
        <source>all together</source>
        <translation>全部合计</translation>
    </message>
    <message id="L_LimitAppliesTo">
        <source>The limit holds for</source>
        <translation>限制适用于</translation>
    </message>
    <message id="L_LimitAppliesToTip">
        <source>Each picture under the limit, or all the pictures together: then each gets as much quality as the budget allows</source>
        <translation>每张图片都小于限制，或所有图片合计小于限制：此时每张图片获得预算允许的最高质量</translation>
    </message>
    <message id="L_SetTotalLB">
        <source>All together:</source>
        <translation>合计：</translation>
    </message>
    <message id="L_SetTotal">
        <source>%1 written of %2</source>
        <translation>已写入 %1，上限 %2</translation>
    </message>
    <message id="L_SetOver">
        <source>over %1 by %2 even at the lowest quality and the smallest size: nothing written</source>
        <translation>即使用最低质量和最小尺寸也超出 %1 达 %2：未写入任何文件</translation>
    </message>
</context>
</TS>
