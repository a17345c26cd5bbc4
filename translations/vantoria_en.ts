<?xml version="1.0" encoding="utf-8"?>
<!--
  Quorvane Vantoria
  Copyright 2026 Quorvane
  SPDX-License-Identifier: AGPL-3.0-or-later
-->
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>CComn</name>
    <message>
        <source>The resolution is %1 to %2 DPI.</source>
        <translation>The resolution is %1 to %2 DPI.</translation>
    </message>
</context>
<context>
    <name>CImagePage</name>
    <message>
        <source>The BMP file format, also known as bitmap or Device Independent Bitmap (DIB) file format, is a image file format used to store bitmap digital images, especially on Microsoft Windows and OS/2 operating systems.</source>
        <translation>The BMP file format, also known as bitmap or Device Independent Bitmap (DIB) file format, is a image file format used to store bitmap digital images, especially on Microsoft Windows and OS/2 operating systems.</translation>
    </message>
    <message>
        <source>Tagged Image File Format (abbreviated TIFF) is a file format for storing images, including photographs and line art.</source>
        <translation>Tagged Image File Format (abbreviated TIFF) is a file format for storing images, including photographs and line art.</translation>
    </message>
    <message>
        <source>JPEG is a compression method specifically intended for continuous-tone images.</source>
        <translation>JPEG is a compression method specifically intended for continuous-tone images.</translation>
    </message>
    <message>
        <source>The Graphics Interchange Format (GIF) is a bitmap image format that was introduced by CompuServe in 1987 and has since come into widespread usage on the World Wide Web due to its wide support and portability.</source>
        <translation>The Graphics Interchange Format (GIF) is a bitmap image format that was introduced by CompuServe in 1987 and has since come into widespread usage on the World Wide Web due to its wide support and portability.</translation>
    </message>
    <message>
        <source>Portable Network Graphics is a bitmapped image format that employs lossless data compression.</source>
        <translation>Portable Network Graphics is a bitmapped image format that employs lossless data compression.</translation>
    </message>
    <message>
        <source>PCX is the native file format for PC Paintbrush (PCX = &apos;Personal Computer eXchange&apos;) and became one of the first widely accepted DOS imaging standards.</source>
        <translation>PCX is the native file format for PC Paintbrush (PCX = &apos;Personal Computer eXchange&apos;) and became one of the first widely accepted DOS imaging standards.</translation>
    </message>
    <message>
        <source>JPEG 2000 is an image compression standard and coding system. It was created by the Joint Photographic Experts Group committee in 2000 with the intention of superseding their original discrete cosine transform-based JPEG standard (created in 1992) with a newly designed, wavelet-based method.</source>
        <translation>JPEG 2000 is an image compression standard and coding system. It was created by the Joint Photographic Experts Group committee in 2000 with the intention of superseding their original discrete cosine transform-based JPEG standard (created in 1992) with a newly designed, wavelet-based method.</translation>
    </message>
    <message>
        <source>JPC is an image file similar to JPEG-1, and it is in connection with File containing JPEG 2000 Code. There is no standardized extension for code-stream data because code-stream data is not to be considered to be stored in files in first place, though when done for testing purposes, the extension .JPC or .J2K appear frequently.</source>
        <translation>JPC is an image file similar to JPEG-1, and it is in connection with File containing JPEG 2000 Code. There is no standardized extension for code-stream data because code-stream data is not to be considered to be stored in files in first place, though when done for testing purposes, the extension .JPC or .J2K appear frequently.</translation>
    </message>
    <message>
        <source>The RAS file extension is related to Sun Raster format. The Sun Raster format is the native bitmap format on the Sun UNIX platforms. It is a simple bitmap format with wide distribution, particularly in the UNIX world. The default extension for Sun Raster files is RAS.</source>
        <translation>The RAS file extension is related to Sun Raster format. The Sun Raster format is the native bitmap format on the Sun UNIX platforms. It is a simple bitmap format with wide distribution, particularly in the UNIX world. The default extension for Sun Raster files is RAS.</translation>
    </message>
    <message>
        <source>Truevision TGA, often referred to as TARGA, is a raster graphics file format. TARGA is an acronym for Truevision Advanced Raster Graphics Adapter; TGA is an initialism for Truevision Graphics Adapter.</source>
        <translation>Truevision TGA, often referred to as TARGA, is a raster graphics file format. TARGA is an acronym for Truevision Advanced Raster Graphics Adapter; TGA is an initialism for Truevision Graphics Adapter.</translation>
    </message>
</context>
<context>
    <name>CMainDlg</name>
    <message>
        <source>Load tessarin.so failed, please reinstall!</source>
        <translation>Load tessarin.so failed, please reinstall!</translation>
    </message>
    <message>
        <source>Load lumbrel.so failed, please reinstall!</source>
        <translation>Load lumbrel.so failed, please reinstall!</translation>
    </message>
    <message>
        <source>Looked for in: </source>
        <translation>Looked for in: </translation>
    </message>
    <message>
        <source>Start Converting</source>
        <translation>Start Converting</translation>
    </message>
    <message>
        <source>Stop Converting</source>
        <translation>Stop Converting</translation>
    </message>
    <message>
        <source>Image Settings</source>
        <translation>Image Settings</translation>
    </message>
    <message>
        <source>PDF Settings</source>
        <translation>PDF Settings</translation>
    </message>
    <message>
        <source>Text Settings</source>
        <translation>Text Settings</translation>
    </message>
    <message>
        <source>文件列表</source>
        <translation>File list</translation>
    </message>
    <message>
        <source>输出类型</source>
        <translation>Output kind</translation>
    </message>
    <message>
        <source>图像格式</source>
        <translation>Image format</translation>
    </message>
    <message>
        <source>输出文件夹模式</source>
        <translation>Output folder mode</translation>
    </message>
    <message>
        <source>输出文件夹</source>
        <translation>Output folder</translation>
    </message>
    <message>
        <source>转换进度</source>
        <translation>Conversion progress</translation>
    </message>
    <message>
        <source>关于 / 帮助</source>
        <translation>About / Help</translation>
    </message>
    <message>
        <source>Files</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Size</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Status</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Please select an output folder...</source>
        <translation>Please select an output folder...</translation>
    </message>
    <message>
        <source>PS and EPS Files (*.ps *.eps *.epsf *.epsi *.ps.gz *.eps.gz *.psz)</source>
        <translation>PS and EPS Files (*.ps *.eps *.epsf *.epsi *.ps.gz *.eps.gz *.psz)</translation>
    </message>
    <message>
        <source>Selected: %1</source>
        <translation>Selected: %1</translation>
    </message>
    <message>
        <source>Files Count: %1</source>
        <translation>Files Count: %1</translation>
    </message>
    <message>
        <source>Select folder:</source>
        <translation>Select folder:</translation>
    </message>
    <message>
        <source>No program was found to open %1.</source>
        <translation>No program was found to open %1.</translation>
    </message>
    <message>
        <source>A conversion is in progress. Stop it and quit?</source>
        <translation>A conversion is in progress. Stop it and quit?</translation>
    </message>
    <message>
        <source>Open Output Folder</source>
        <translation>Open Output Folder</translation>
    </message>
    <message>
        <source>Not added to the list:</source>
        <translation>Not added to the list:</translation>
    </message>
    <message>
        <source>%1: not a local file</source>
        <translation>%1: not a local file</translation>
    </message>
    <message numerus="yes">
        <source>%n file(s) added to the list. The conversion in progress does not include them: press Start again when it has ended.</source>
        <translation>
            <numerusform>%n file added to the list. The conversion in progress does not include it: press Start again when it has ended.</numerusform>
            <numerusform>%n files added to the list. The conversion in progress does not include them: press Start again when it has ended.</numerusform>
        </translation>
    </message>
    <message>
        <source>file %1 of %2</source>
        <translation>file %1 of %2</translation>
    </message>
    <message>
        <source>, page %1 of %2</source>
        <translation>, page %1 of %2</translation>
    </message>
    <message>
        <source>, page %1</source>
        <translation>, page %1</translation>
    </message>
    <message>
        <source>Conversion finished</source>
        <translation>Conversion finished</translation>
    </message>
    <message>
        <source>Reason</source>
        <translation>Reason</translation>
    </message>
    <message>
        <source>stopped</source>
        <translation>stopped</translation>
    </message>
    <message>
        <source>不限</source>
        <translation>None</translation>
    </message>
    <message>
        <source>The last conversion did not convert every file. Convert only the files that did not succeed, or all of them again?</source>
        <translation>The last conversion did not convert every file. Convert only the files that did not succeed, or all of them again?</translation>
    </message>
    <message>
        <source>Only Unfinished</source>
        <translation>Only Unfinished</translation>
    </message>
    <message>
        <source>All Again</source>
        <translation>All Again</translation>
    </message>
    <message>
        <source>%1 s</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 min %2 s</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 h %2 min</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 succeeded, %2 failed, %3 stopped in %4</source>
        <translation>%1 succeeded, %2 failed, %3 stopped in %4</translation>
    </message>
    <message numerus="yes">
        <source>%1 and %n more</source>
        <translation>
            <numerusform>%1 and %n more</numerusform>
            <numerusform>%1 and %n more</numerusform>
        </translation>
    </message>
    <message>
        <source>all</source>
        <translation>all</translation>
    </message>
    <message>
        <source>要转换的页码</source>
        <translation>Pages to convert</translation>
    </message>
    <message>
        <source>Add files</source>
        <translation>Add files</translation>
    </message>
    <message>
        <source>Add a folder&apos;s files</source>
        <translation>Add a folder&apos;s files</translation>
    </message>
    <message>
        <source>Remove the selected files</source>
        <translation>Remove the selected files</translation>
    </message>
    <message>
        <source>Start or stop converting</source>
        <translation>Start or stop converting</translation>
    </message>
    <message>
        <source>Escape stops</source>
        <translation>Escape stops</translation>
    </message>
    <message>
        <source>The pages to convert, as in 1-3,7,10- (a range without an end runs to the document&apos;s end); empty for every page</source>
        <translation>The pages to convert, as in 1-3,7,10- (a range without an end runs to the document&apos;s end); empty for every page</translation>
    </message>
    <message>
        <source>Not a page range: %1</source>
        <translation>Not a page range: %1</translation>
    </message>
    <message>
        <source>%1 does not exist (any more).</source>
        <translation>%1 does not exist (any more).</translation>
    </message>
    <message>
        <source>Stopping...</source>
        <translation>Stopping...</translation>
    </message>
    <message>
        <source>Choose or type the output folder first.</source>
        <translation>Choose or type the output folder first.</translation>
    </message>
    <message>
        <source>The output folder %1 can&apos;t be made: %2</source>
        <translation>The output folder %1 can&apos;t be made: %2</translation>
    </message>
    <message>
        <source>Pages</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>The output folder %1 is not a full path (one that starts with /).</source>
        <translation>The output folder %1 is not a full path (one that starts with /).</translation>
    </message>
    <message>
        <source>page %1 of %2</source>
        <translation>page %1 of %2</translation>
    </message>
    <message>
        <source>page %1</source>
        <translation>page %1</translation>
    </message>
</context>
<context>
    <name>CMyPropSheet</name>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>The settings could not be saved to %1.</source>
        <translation>The settings could not be saved to %1.</translation>
    </message>
</context>
<context>
    <name>CPreviewPane</name>
    <message>
        <source>Previous page</source>
        <translation>Previous page</translation>
    </message>
    <message>
        <source>Next page</source>
        <translation>Next page</translation>
    </message>
    <message>
        <source>As it will be written</source>
        <translation>As it will be written</translation>
    </message>
    <message>
        <source>Previews wait while files are converted.</source>
        <translation>Previews wait while files are converted.</translation>
    </message>
    <message>
        <source>Rendering...</source>
        <translation>Rendering...</translation>
    </message>
    <message>
        <source>The document has no page %1.</source>
        <translation>The document has no page %1.</translation>
    </message>
    <message>
        <source>Page %1 of %2</source>
        <translation>Page %1 of %2</translation>
    </message>
    <message>
        <source>Page %1</source>
        <translation>Page %1</translation>
    </message>
    <message>
        <source>Drag to size the preview, click to show or hide it</source>
        <translation>Drag to size the preview, click to show or hide it</translation>
    </message>
</context>
<context>
    <name>CSecurity</name>
    <message>
        <source>The two user passwords differ. Type the same password in both fields.</source>
        <translation>The two user passwords differ. Type the same password in both fields.</translation>
    </message>
</context>
<context>
    <name>CTxtDlg</name>
    <message>
        <source>The settings could not be saved to %1.</source>
        <translation>The settings could not be saved to %1.</translation>
    </message>
</context>
<context>
    <name>ImageFormat</name>
    <message>
        <source>JPEG 文件(*.jpg)</source>
        <translation>JPEG File (*.jpg)</translation>
    </message>
    <message>
        <source>TIFF 文件(*.tif) </source>
        <translation>TIFF File (*.tif) </translation>
    </message>
    <message>
        <source>BMP 文件(*.bmp)</source>
        <translation>BMP File (*.bmp)</translation>
    </message>
    <message>
        <source>PNG 文件(*.png)</source>
        <translation>PNG File (*.png)</translation>
    </message>
    <message>
        <source>GIF 文件(*.gif)</source>
        <translation>GIF File (*.gif)</translation>
    </message>
    <message>
        <source>PCX 文件(*.pcx)</source>
        <translation>PCX File (*.pcx)</translation>
    </message>
    <message>
        <source>WMF 文件(*.wmf)</source>
        <translation>WMF File (*.wmf)</translation>
    </message>
    <message>
        <source>EMF 文件(*.emf)</source>
        <translation>EMF File (*.emf)</translation>
    </message>
    <message>
        <source>TGA 文件(*.tga)</source>
        <translation>TGA File (*.tga)</translation>
    </message>
    <message>
        <source>JPEG2000 文件(*.jp2)</source>
        <translation>JPEG 2000 File (*.jp2)</translation>
    </message>
    <message>
        <source>JPEG2000 文件(*.jpc)</source>
        <translation>JPEG 2000 File (*.jpc)</translation>
    </message>
    <message>
        <source>RAS 文件(*.ras)</source>
        <translation>RAS File (*.ras)</translation>
    </message>
</context>
<context>
    <name>PageRange</name>
    <message>
        <source>pages are numbers and ranges, as in 1-3,7,10-</source>
        <translation>pages are numbers and ranges, as in 1-3,7,10-</translation>
    </message>
    <message>
        <source>pages count from 1</source>
        <translation>pages count from 1</translation>
    </message>
    <message>
        <source>a range goes from a lower page to a higher one, as in 1-3</source>
        <translation>a range goes from a lower page to a higher one, as in 1-3</translation>
    </message>
    <message>
        <source>a comma stands between two pages or ranges</source>
        <translation>a comma stands between two pages or ranges</translation>
    </message>
    <message>
        <source>a page number is too large</source>
        <translation>a page number is too large</translation>
    </message>
</context>
<context>
    <name>dlgtpl</name>
    <message>
        <source>真彩
256 色
256 灰色
16 色
16 灰色
黑白</source>
        <translation>True Color
256 Color
256 Grays
16 Color
16 Grays
B&amp;W</translation>
    </message>
    <message>
        <source>真彩
256 灰色</source>
        <translation>True Color
256 Grays</translation>
    </message>
    <message>
        <source>256 色
256 灰色
16 色
16 灰色
黑白</source>
        <translation>256 Color
256 Grays
16 Color
16 Grays
B&amp;W</translation>
    </message>
    <message>
        <source>真彩
256 色
256 灰色</source>
        <translation>True Color
256 Color
256 Grays</translation>
    </message>
    <message>
        <source>调整图像大小（像素）</source>
        <translation>Resize image (pixels)</translation>
    </message>
    <message>
        <source>宽度</source>
        <translation>Width</translation>
    </message>
    <message>
        <source>高度</source>
        <translation>Height</translation>
    </message>
    <message>
        <source>解析度</source>
        <translation>Resolution</translation>
    </message>
    <message>
        <source>平滑文本和图形（抗锯齿）</source>
        <translation>Smooth text and graphics (anti-aliasing)</translation>
    </message>
    <message>
        <source>转换输出</source>
        <translation>Output</translation>
    </message>
    <message>
        <source>为每个文件创建目录</source>
        <translation>Folder per file</translation>
    </message>
    <message>
        <source>旋转</source>
        <translation>Rotation</translation>
    </message>
    <message>
        <source>介绍：</source>
        <translation>Introduction:</translation>
    </message>
    <message>
        <source>颜色</source>
        <translation>Color</translation>
    </message>
    <message>
        <source>质量</source>
        <translation>Quality</translation>
    </message>
    <message>
        <source>小尺寸</source>
        <translation>Small</translation>
    </message>
    <message>
        <source>高质量</source>
        <translation>Best</translation>
    </message>
    <message>
        <source>压缩</source>
        <translation>Compression</translation>
    </message>
    <message>
        <source>未压缩
LZW
RLE
JPEG
PACKBITS
CCITT FAX3
CCITT FAX4</source>
        <translation>Uncompressed
LZW
RLE
JPEG
PACKBITS
CCITT FAX3
CCITT FAX4</translation>
    </message>
    <message>
        <source>将图像合并为一个TIFF文件</source>
        <translation>Merge the pages into one TIFF file</translation>
    </message>
    <message>
        <source>共同</source>
        <translation>Common</translation>
    </message>
    <message>
        <source>添加文件</source>
        <translation>Add Files</translation>
    </message>
    <message>
        <source>开始转换</source>
        <translation>Start Converting</translation>
    </message>
    <message>
        <source>添加文件夹</source>
        <translation>Add Folder</translation>
    </message>
    <message>
        <source>移除</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>设置</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>输出格式 &amp;&amp; 文件夹</source>
        <translation>Output Format &amp;&amp; Folder</translation>
    </message>
    <message>
        <source>浏览</source>
        <translation>Browse</translation>
    </message>
    <message>
        <source>查看...</source>
        <translation>View...</translation>
    </message>
    <message>
        <source>文件数: 0</source>
        <translation>Files Count: 0</translation>
    </message>
    <message>
        <source>已选择: 0</source>
        <translation>Selected: 0</translation>
    </message>
    <message>
        <source>转换到源文件文件夹
转换到指定的目录</source>
        <translation>Convert into the source file&apos;s folder
Convert into the specified folder</translation>
    </message>
    <message>
        <source>图像文件 --&gt;
PDF 文件(*.pdf)
Text 文件(*.txt)</source>
        <translation>Image files --&gt;
PDF files (*.pdf)
Text files (*.txt)</translation>
    </message>
    <message>
        <source>创建一个新的（如果存在输出文件）</source>
        <translation>New name if the output exists</translation>
    </message>
    <message>
        <source>Version: 8.6.7</source>
        <translation>Version: 8.6.7</translation>
    </message>
    <message>
        <source>帮助</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Add File(s)...</source>
        <translation>Add File(s)...</translation>
    </message>
    <message>
        <source>删除所选项目          Del</source>
        <translation>Delete Selected Items          Del</translation>
    </message>
    <message>
        <source>清除所有项目</source>
        <translation>Clear All Items</translation>
    </message>
    <message>
        <source>查看原始文件</source>
        <translation>View Original File</translation>
    </message>
    <message>
        <source>转换</source>
        <translation>Convert</translation>
    </message>
    <message>
        <source>关于...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>列表</source>
        <translation>List</translation>
    </message>
    <message>
        <source>加密 PDF</source>
        <translation>Encrypt PDF</translation>
    </message>
    <message>
        <source>打开所需的密码（用户密码）：</source>
        <translation>User password (to open):</translation>
    </message>
    <message>
        <source>更改权限所需的密码（所有者密码）：</source>
        <translation>Owner password (for permissions):</translation>
    </message>
    <message>
        <source>加密级别</source>
        <translation>Encryption level</translation>
    </message>
    <message>
        <source>允许</source>
        <translation>Allow</translation>
    </message>
    <message>
        <source>打印</source>
        <translation>Print</translation>
    </message>
    <message>
        <source>更改文档</source>
        <translation>Change the document</translation>
    </message>
    <message>
        <source>内容复制或提取</source>
        <translation>Copy or extract content</translation>
    </message>
    <message>
        <source>添加或更改表单字段</source>
        <translation>Add or change form fields</translation>
    </message>
    <message>
        <source>PDF 信息</source>
        <translation>PDF Information</translation>
    </message>
    <message>
        <source>标题</source>
        <translation>Title</translation>
    </message>
    <message>
        <source>主题：</source>
        <translation>Subject:</translation>
    </message>
    <message>
        <source>作者：</source>
        <translation>Author:</translation>
    </message>
    <message>
        <source>关键字：</source>
        <translation>Keywords:</translation>
    </message>
    <message>
        <source>创建者</source>
        <translation>Creator</translation>
    </message>
    <message>
        <source>制片人</source>
        <translation>Producer</translation>
    </message>
    <message>
        <source>文本印章</source>
        <translation>Text stamp</translation>
    </message>
    <message>
        <source>文本</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>位置</source>
        <translation>Position</translation>
    </message>
    <message>
        <source>页面左上角（默认）
页面顶部中心
页面右上角
页面右侧中心
页面右下角
页面底部中心
页面左下角
页面左侧中心
页面中心</source>
        <translation>Top left (default)
Top center
Top right
Right center
Bottom right
Bottom center
Bottom left
Left center
Center of the page</translation>
    </message>
    <message>
        <source>偏移 X</source>
        <translation>Offset X</translation>
    </message>
    <message>
        <source>偏移Y</source>
        <translation>Offset Y</translation>
    </message>
    <message>
        <source>背景</source>
        <translation>Background</translation>
    </message>
    <message>
        <source>PDF 安全</source>
        <translation>PDF Security</translation>
    </message>
    <message>
        <source>水印</source>
        <translation>Watermark</translation>
    </message>
    <message>
        <source>模式</source>
        <translation>Mode</translation>
    </message>
    <message>
        <source>保持原始的物理布局</source>
        <translation>Keep the physical layout of the page</translation>
    </message>
    <message>
        <source>保持内容流顺序中的字符串</source>
        <translation>Keep the strings in content stream order</translation>
    </message>
    <message>
        <source>页面</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>在页面之间插入分页符</source>
        <translation>Insert a page break between pages</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>文字设置</source>
        <translation>Text Settings</translation>
    </message>
    <message>
        <source>预设：</source>
        <translation>Preset:</translation>
    </message>
    <message>
        <source>默认
屏幕（最小文件）
电子书
打印机
印前</source>
        <translation>Default
Screen (smallest file)
E-book
Printer
Prepress</translation>
    </message>
    <message>
        <source>存档</source>
        <translation>Archiving</translation>
    </message>
    <message>
        <source>无
PDF/A-1b
PDF/A-2b
PDF/A-3b</source>
        <translation>None
PDF/A-1b
PDF/A-2b
PDF/A-3b</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>嵌入所有字体</source>
        <translation>Embed all fonts</translation>
    </message>
    <message>
        <source>快速 Web 查看</source>
        <translation>Fast web view</translation>
    </message>
    <message>
        <source>PDF 质量</source>
        <translation>PDF Quality</translation>
    </message>
    <message>
        <source>再次输入用户密码：</source>
        <translation>Confirm the user password:</translation>
    </message>
    <message>
        <source>Files
Size
Status
Reason</source>
        <translation>Files
Size
Status
Reason</translation>
    </message>
    <message>
        <source>每个文件限时（秒）：</source>
        <translation>Time limit per file (s):</translation>
    </message>
    <message>
        <source>包含子文件夹</source>
        <translation>Include subfolders</translation>
    </message>
    <message>
        <source>保持文件夹结构</source>
        <translation>Keep folder structure</translation>
    </message>
    <message>
        <source>两者相同</source>
        <translation>Same for both</translation>
    </message>
    <message>
        <source>页码：</source>
        <translation>Pages:</translation>
    </message>
    <message>
        <source>Show in Folder</source>
        <translation>Show in Folder</translation>
    </message>
    <message>
        <source>Copy Reason</source>
        <translation>Copy Reason</translation>
    </message>
</context>
</TS>
