<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="zh_CN">
<context>
    <name>jiujiu</name>
    <message>
        <source>啾啾神器 - BT种子搜索神器 - 官方网站：</source>
        <translation>Jiujiu - ed2k resource search - web site: </translation>
    </message>
    <message>
        <source>首页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>显示</source>
        <translation>Results</translation>
    </message>
    <message>
        <source>返回首页</source>
        <translation>Home</translation>
    </message>
    <message>
        <source>获取新版</source>
        <translation>Update</translation>
    </message>
    <message>
        <source>意见反馈</source>
        <translation>Feedback</translation>
    </message>
    <message>
        <source>请在法律许可范围内进行使用，禁止使用本工具进行分享和传播色情、盗版等违法资源。绿色上网，健康你我！
如有任何版权或其他问题，请与“kefu@jiujiu.example”联系，我们会尽快处理！</source>
        <translation>Use this tool only as the law allows: never to share or spread pornography, pirated copies or other unlawful material.
For copyright or any other question, write to &quot;kefu@jiujiu.example&quot;; we will answer as soon as we can.</translation>
    </message>
    <message>
        <source>开始啾啾搜索</source>
        <translation>Start searching</translation>
    </message>
    <message>
        <source>停止搜索</source>
        <translation>Stop searching</translation>
    </message>
    <message>
        <source>按关键字搜索 ed2k 资源</source>
        <translation>Searches ed2k resources by keyword</translation>
    </message>
    <message>
        <source>工具条</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>返回首页、获取新版和意见反馈</source>
        <translation>Home, get the new version and feedback</translation>
    </message>
    <message>
        <source>回到输入关键字的首页</source>
        <translation>Back to the home page, where the keyword is typed</translation>
    </message>
    <message>
        <source>在浏览器里打开官网的下载页</source>
        <translation>Opens the web site&apos;s download page in the browser</translation>
    </message>
    <message>
        <source>在浏览器里打开官网的反馈页</source>
        <translation>Opens the web site&apos;s feedback page in the browser</translation>
    </message>
    <message>
        <source>空位</source>
        <translation>Empty slot</translation>
    </message>
    <message>
        <source>工具条上没有功能的空位</source>
        <translation>An empty slot of the toolbar, without a command</translation>
    </message>
    <message>
        <source>公告</source>
        <translation>Announcement</translation>
    </message>
    <message>
        <source>公告，搜索时显示进度和结果</source>
        <translation>The announcement; during a search, its progress and outcome</translation>
    </message>
    <message>
        <source>页面</source>
        <translation>Pages</translation>
    </message>
    <message>
        <source>首页输入关键字，显示页列出搜索结果</source>
        <translation>The home page takes the keyword, the results page lists what was found</translation>
    </message>
    <message>
        <source>页面标签</source>
        <translation>Page tabs</translation>
    </message>
    <message>
        <source>在首页和显示页之间切换</source>
        <translation>Switches between the home page and the results page</translation>
    </message>
    <message>
        <source>输入关键字开始搜索</source>
        <translation>Type a keyword and start a search</translation>
    </message>
    <message>
        <source>搜索结果的列表和筛选</source>
        <translation>The list of results and its filter</translation>
    </message>
    <message>
        <source>啾啾神器标志</source>
        <translation>Jiujiu logo</translation>
    </message>
    <message>
        <source>啾啾神器的标志图片</source>
        <translation>The picture of the Jiujiu logo</translation>
    </message>
    <message>
        <source>使用须知</source>
        <translation>Terms of use</translation>
    </message>
    <message>
        <source>使用须知和联系方式</source>
        <translation>Terms of use and how to reach us</translation>
    </message>
    <message>
        <source>关键字</source>
        <translation>Keyword</translation>
    </message>
    <message>
        <source>要搜索的关键字，按回车开始搜索</source>
        <translation>The keyword to search for; Enter starts the search</translation>
    </message>
    <message>
        <source>开始搜索；搜索时再按一次停止</source>
        <translation>Starts a search; while one runs, stops it</translation>
    </message>
    <message>
        <source>搜索结果</source>
        <translation>Search results</translation>
    </message>
    <message>
        <source>每行一个资源：序号、名称、大小、资源数和链接。双击或回车播放或下载，右键菜单有更多操作</source>
        <translation>One resource a row: serial number, name, size, sources and link. Double-click or Enter plays or downloads it; the context menu has more</translation>
    </message>
    <message>
        <source>视频</source>
        <translation>Video</translation>
    </message>
    <message>
        <source>音频</source>
        <translation>Audio</translation>
    </message>
    <message>
        <source>图片</source>
        <translation>Image</translation>
    </message>
    <message>
        <source>文档</source>
        <translation>Document</translation>
    </message>
    <message>
        <source>压缩包</source>
        <translation>Archive</translation>
    </message>
    <message>
        <source>光盘镜像</source>
        <translation>Disc image</translation>
    </message>
    <message>
        <source>程序</source>
        <translation>Program</translation>
    </message>
    <message>
        <source>其他</source>
        <translation>Other</translation>
    </message>
    <message>
        <source>新</source>
        <translation>New</translation>
    </message>
    <message>
        <source>已有</source>
        <translation>Known</translation>
    </message>
    <message>
        <source>下载中</source>
        <translation>Downloading</translation>
    </message>
    <message>
        <source>已取消</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>已交给客户端</source>
        <translation>Handed to the client</translation>
    </message>
    <message>
        <source>确定</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>取消</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>中止</source>
        <translation>Abort</translation>
    </message>
    <message>
        <source>重试</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>忽略</source>
        <translation>Ignore</translation>
    </message>
    <message>
        <source>是</source>
        <translation>Yes</translation>
    </message>
    <message>
        <source>否</source>
        <translation>No</translation>
    </message>
    <message>
        <source>类型</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>提示</source>
        <translation>Warnings</translation>
    </message>
    <message>
        <source>筛选词“%1”有误：%2
列表仍按上一次有效的筛选显示。</source>
        <translation>The filter term &quot;%1&quot; is wrong: %2
The list keeps the last filter that could be read.</translation>
    </message>
    <message>
        <source>合并重复、隐藏可疑、隐藏已有：都没有打开</source>
        <translation>Merge duplicates, hide suspicious, hide known: all off</translation>
    </message>
    <message>
        <source>已打开：</source>
        <translation>On: </translation>
    </message>
    <message>
        <source>、</source>
        <translation>, </translation>
    </message>
    <message>
        <source>合并重复</source>
        <translation>Merge duplicates</translation>
    </message>
    <message>
        <source>隐藏可疑</source>
        <translation>Hide suspicious</translation>
    </message>
    <message>
        <source>隐藏已有</source>
        <translation>Hide known</translation>
    </message>
    <message>
        <source>筛选 (Ctrl+F)：词语 -排除 &quot;短语&quot; size&gt;=1GB</source>
        <translation>Filter (Ctrl+F): words -exclude &quot;a phrase&quot; size&gt;=1GB</translation>
    </message>
    <message>
        <source>大小范围，如 700MB、1.5GB；空着不限</source>
        <translation>A size bound such as 700MB or 1.5GB; empty for any</translation>
    </message>
    <message>
        <source>最小大小</source>
        <translation>Min size</translation>
    </message>
    <message>
        <source>最大大小</source>
        <translation>Max size</translation>
    </message>
    <message>
        <source>资源≥</source>
        <translation>src ≥ </translation>
    </message>
    <message>
        <source>资源不限</source>
        <translation>any src</translation>
    </message>
    <message>
        <source>最少资源数</source>
        <translation>Fewest sources</translation>
    </message>
    <message>
        <source>同一文件（ed2k 散列和大小相同）只列一行，取最多的资源数，名称后标 ×N</source>
        <translation>One row per file (same ed2k hash and size), with the most sources and ×N after the name</translation>
    </message>
    <message>
        <source>全部类型</source>
        <translation>All types</translation>
    </message>
    <message>
        <source>只列出这一类文件（看链接里文件名的扩展名）</source>
        <translation>Lists only this kind of file (by the extension of the link&apos;s file name)</translation>
    </message>
    <message>
        <source>隐藏带 ! 标记的可疑结果（原因见名称的提示）；无效链接用 -链接无效 隐藏</source>
        <translation>Hides the suspicious results marked ! (the name&apos;s tool tip says why); -链接无效 hides broken links</translation>
    </message>
    <message>
        <source>不列出 ed2k 客户端里已有（下载过或正在共享）的文件</source>
        <translation>Leaves out the files the ed2k client has (downloaded or shared)</translation>
    </message>
    <message>
        <source>选项</source>
        <translation>Options</translation>
    </message>
    <message>
        <source>筛选</source>
        <translation>Filter</translation>
    </message>
    <message>
        <source>只列出至少有这么多资源的结果；0 不限</source>
        <translation>Lists only results with at least this many sources; 0 for any</translation>
    </message>
    <message>
        <source>筛选结果数</source>
        <translation>Rows shown</translation>
    </message>
    <message>
        <source>筛选后显示的行数和总行数</source>
        <translation>The rows the filter shows and the rows listed</translation>
    </message>
    <message>
        <source>显示 %1 / 共 %2</source>
        <translation>%1 of %2 shown</translation>
    </message>
    <message>
        <source>云播放</source>
        <translation>Play online</translation>
    </message>
    <message>
        <source>复制链接</source>
        <translation>Copy link</translation>
    </message>
    <message>
        <source>用 ed2k 客户端打开</source>
        <translation>Open with the ed2k client</translation>
    </message>
    <message>
        <source>复制名称</source>
        <translation>Copy name</translation>
    </message>
    <message>
        <source>查看全部名称</source>
        <translation>All names</translation>
    </message>
    <message>
        <source>导出选中…</source>
        <translation>Export selected…</translation>
    </message>
    <message>
        <source>导出全部…</source>
        <translation>Export all…</translation>
    </message>
    <message>
        <source>Excel 工作簿 (*.xlsx)</source>
        <translation>Excel workbook (*.xlsx)</translation>
    </message>
    <message>
        <source>CSV 表格 (*.csv)</source>
        <translation>CSV table (*.csv)</translation>
    </message>
    <message>
        <source>ed2k 链接列表 (*.txt)</source>
        <translation>ed2k link list (*.txt)</translation>
    </message>
    <message>
        <source>导出选中的结果</source>
        <translation>Export the selected results</translation>
    </message>
    <message>
        <source>导出全部结果</source>
        <translation>Export all results</translation>
    </message>
    <message>
        <source>啾啾结果.xlsx</source>
        <translation>jiujiu-results.xlsx</translation>
    </message>
    <message>
        <source>导出失败，文件没有写入：
%1
%2</source>
        <translation>The export failed; nothing was written:
%1
%2</translation>
    </message>
    <message>
        <source>序号</source>
        <translation>No.</translation>
    </message>
    <message>
        <source>名称</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>大小</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>资源数</source>
        <translation>Sources</translation>
    </message>
    <message>
        <source>下载链接[双击]</source>
        <translation>Download link [double-click]</translation>
    </message>
    <message>
        <source>，状态：</source>
        <translation>, status: </translation>
    </message>
    <message>
        <source>视频</source>
        <comment>tag</comment>
        <translation>VID</translation>
    </message>
    <message>
        <source>音频</source>
        <comment>tag</comment>
        <translation>AUD</translation>
    </message>
    <message>
        <source>图片</source>
        <comment>tag</comment>
        <translation>IMG</translation>
    </message>
    <message>
        <source>文档</source>
        <comment>tag</comment>
        <translation>DOC</translation>
    </message>
    <message>
        <source>压缩</source>
        <comment>tag</comment>
        <translation>ZIP</translation>
    </message>
    <message>
        <source>镜像</source>
        <comment>tag</comment>
        <translation>ISO</translation>
    </message>
    <message>
        <source>程序</source>
        <comment>tag</comment>
        <translation>EXE</translation>
    </message>
    <message>
        <source>其他</source>
        <comment>tag</comment>
        <translation>ETC</translation>
    </message>
    <message>
        <source>%1（.%2）</source>
        <translation>%1 (.%2)</translation>
    </message>
    <message>
        <source>类型：</source>
        <translation>Type: </translation>
    </message>
    <message>
        <source>同一文件列出了 %1 次：</source>
        <translation>The same file is listed %1 times:</translation>
    </message>
    <message>
        <source>……还有 %1 次，见右键菜单“查看全部名称”</source>
        <translation>… %1 more, see &quot;All names&quot; in the context menu</translation>
    </message>
    <message>
        <source>序号 %1  %2  （资源 %3）</source>
        <translation>No. %1  %2  (%3 sources)</translation>
    </message>
    <message>
        <source>提示：</source>
        <translation>Warnings: </translation>
    </message>
    <message>
        <source>；</source>
        <translation>; </translation>
    </message>
    <message>
        <source>，</source>
        <translation>, </translation>
    </message>
    <message>
        <source>全部名称</source>
        <translation>All names</translation>
    </message>
    <message>
        <source>同一文件（散列和大小相同）列出了 %1 次，列表里显示的是第一次的名称。</source>
        <translation>The same file (same hash and size) is listed %1 times; the list shows the name of the first.</translation>
    </message>
    <message>
        <source>关闭</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>已有：ed2k 客户端里已有这个文件（下载过或正在共享）</source>
        <translation>Known: the ed2k client has this file (downloaded or shared)</translation>
    </message>
    <message>
        <source>下载中：ed2k 客户端正在下载这个文件，已完成 %1%</source>
        <translation>Downloading: the ed2k client downloads this file, %1% done</translation>
    </message>
    <message>
        <source>下载中：ed2k 客户端正在下载这个文件</source>
        <translation>Downloading: the ed2k client downloads this file</translation>
    </message>
    <message>
        <source>已取消：这个文件曾在 ed2k 客户端里取消下载</source>
        <translation>Cancelled: a download of this file was cancelled in the ed2k client</translation>
    </message>
    <message>
        <source>已交给客户端：这次已把链接交给 ed2k 客户端，它的下载列表里还没有</source>
        <translation>Handed to the client: the link went to the ed2k client in this run, not yet among its downloads</translation>
    </message>
</context>
</TS>
