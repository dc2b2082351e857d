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
    <message>
        <source>答案读不出来：答案是空的</source>
        <translation>The answer cannot be read: it is empty</translation>
    </message>
    <message>
        <source>答案读不出来：不是文本</source>
        <translation>The answer cannot be read: it is not text</translation>
    </message>
    <message>
        <source>答案读不出来：不是查看服务转来的网页</source>
        <translation>The answer cannot be read: it is not the page the viewer passes on</translation>
    </message>
    <message>
        <source>答案读不出来：压缩的答案解不开</source>
        <translation>The answer cannot be read: its compression cannot be undone</translation>
    </message>
    <message>
        <source>没有 ed2k 下载工具接收这个链接。</source>
        <translation>No ed2k download tool takes this link.</translation>
    </message>
    <message>
        <source>链接已复制到剪贴板，可以粘贴到下载工具里。</source>
        <translation>The link is on the clipboard; paste it into a download tool.</translation>
    </message>
    <message>
        <source>请安装 aMule 等 ed2k 下载工具，并把它设为 ed2k 链接的默认打开程序。</source>
        <translation>Install an ed2k download tool such as aMule and make it the default program for ed2k links.</translation>
    </message>
    <message>
        <source>%1：%2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>这个链接无效，不能云播放，也不能交给 ed2k 客户端：</source>
        <translation>This link is broken: it can be neither played online nor handed to the ed2k client:</translation>
    </message>
    <message>
        <source>选中的链接里有 %1 个无效，没有交给 ed2k 客户端：</source>
        <translation>%1 of the selected links are broken and were not handed to the ed2k client:</translation>
    </message>
    <message>
        <source>等 %1 个</source>
        <translation>… %1 in all</translation>
    </message>
    <message>
        <source>可以复制链接，看看哪里不对。</source>
        <translation>Copy the link to see what is wrong with it.</translation>
    </message>
    <message>
        <source>一个链接也没有交出。</source>
        <translation>No link was handed on.</translation>
    </message>
    <message>
        <source>其余 %1 个照常交出。</source>
        <translation>The other %1 were handed on.</translation>
    </message>
    <message>
        <source>未正确选中！</source>
        <translation>Nothing is selected!</translation>
    </message>
    <message>
        <source>使用云播放在线看吗？<byte value="xd"/>
否则复制、下载！</source>
        <translation>Play it online?<byte value="xd"/>
Otherwise copy and download it!</translation>
    </message>
    <message>
        <source>温馨提示</source>
        <translation>Note</translation>
    </message>
    <message>
        <source>请输入需搜索的关键字！</source>
        <translation>Please type a keyword to search for!</translation>
    </message>
    <message>
        <source>我和小伙伴们都惊呆了，你的关键字也太冷门了！</source>
        <translation>Nothing at all was found: that keyword is too rare!</translation>
    </message>
    <message>
        <source>为您找到[%1]枚资源！双击复制、下载！</source>
        <translation>Found [%1] resources! Double-click to copy and download!</translation>
    </message>
    <message>
        <source>正在读取第 %1/%2 页 · 已列出 %3 条</source>
        <translation>Reading page %1/%2 · %3 rows listed</translation>
    </message>
    <message>
        <source>第 %1 等 %2 页没能读出来</source>
        <translation>page(s) %1 and more, %2 in all, could not be read</translation>
    </message>
    <message>
        <source>第 %1 页没能读出来</source>
        <translation>page(s) %1 could not be read</translation>
    </message>
    <message>
        <source>第 %1 页有 %2 行读不出来</source>
        <translation>page %1 has %2 unreadable row(s)</translation>
    </message>
    <message>
        <source>%1，第 %2 页有 %3 行读不出来</source>
        <translation>%1, page %2 has %3 unreadable row(s)</translation>
    </message>
    <message>
        <source>%1，后面 %2 页也没再读</source>
        <translation>%1, the %2 page(s) after were not read</translation>
    </message>
    <message>
        <source>为您找到[%1]枚资源，只列出了 %2 枚：%3！双击复制、下载！</source>
        <translation>Found [%1] resources, only %2 listed: %3! Double-click to copy and download!</translation>
    </message>
    <message>
        <source>为您找到[%1]枚资源，结果超过 %2 条，只列出了前 %2 条！双击复制、下载！</source>
        <translation>Found [%1] resources; more than %2 results, only the first %2 listed! Double-click to copy and download!</translation>
    </message>
    <message>
        <source>搜索已停止！</source>
        <translation>The search was stopped!</translation>
    </message>
    <message>
        <source>搜索已停止，为您找到[%1]枚资源，已列出 %2 枚！双击复制、下载！</source>
        <translation>The search was stopped; found [%1] resources, %2 listed! Double-click to copy and download!</translation>
    </message>
    <message>
        <source>答案超过 %1 MB</source>
        <translation>the answer is over %1 MB</translation>
    </message>
    <message>
        <source>答案超过 %1 字节</source>
        <translation>the answer is over %1 bytes</translation>
    </message>
    <message>
        <source>这一行没有链接</source>
        <translation>this row has no link</translation>
    </message>
    <message>
        <source>这不是 ed2k:// 链接</source>
        <translation>this is not an ed2k:// link</translation>
    </message>
    <message>
        <source>这是 ed2k 服务器或节点列表的链接，不是文件链接</source>
        <translation>this links to an ed2k server or node list, not to a file</translation>
    </message>
    <message>
        <source>链接里没有文件名</source>
        <translation>the link has no file name</translation>
    </message>
    <message>
        <source>链接里的大小不是数字</source>
        <translation>the link&apos;s size is not a number</translation>
    </message>
    <message>
        <source>链接里的大小不在 1 字节到 256 GB 之间</source>
        <translation>the link&apos;s size is not between 1 byte and 256 GB</translation>
    </message>
    <message>
        <source>链接里的散列不是 32 位十六进制数</source>
        <translation>the link&apos;s hash is not 32 hexadecimal digits</translation>
    </message>
    <message>
        <source>链接没有以“|/”结尾，可能被截断了</source>
        <translation>the link does not end in &quot;|/&quot;; it may be cut short</translation>
    </message>
    <message>
        <source>链接无效：%1</source>
        <translation>Broken link: %1</translation>
    </message>
    <message>
        <source>链接里的文件名%1与名称不符，下载到的可能是另一个文件</source>
        <translation>The link&apos;s file name %1 does not match the name; the download may be another file</translation>
    </message>
    <message>
        <source>大小一栏写着 %1，链接里的文件却是 %2</source>
        <translation>The size column says %1, but the link&apos;s file is %2</translation>
    </message>
    <message>
        <source>文件名以 .%1.%2 结尾：看着像%3，打开却会运行程序</source>
        <translation>The file name ends in .%1.%2: it looks like a %3 file but opening it runs a program</translation>
    </message>
    <message>
        <source>名称里藏着改变文字方向的控制字符，显示出来的扩展名是假的</source>
        <translation>The name hides characters that turn the text around; the extension shown is fake</translation>
    </message>
    <message>
        <source>名称里藏着改变文字方向的控制字符，显示出来的扩展名是假的（实际是 .%1）</source>
        <translation>The name hides characters that turn the text around; the extension shown is fake (it is really .%1)</translation>
    </message>
    <message>
        <source>名称写着“%1”，视频却只有 %2，与这个清晰度对不上</source>
        <translation>The name says &quot;%1&quot; but the video is only %2, too small for that quality</translation>
    </message>
    <message>
        <source>名称写着“%1”，却只有 %2，装不下一整季</source>
        <translation>The name says &quot;%1&quot; but it is only %2, too small for a whole season</translation>
    </message>
    <message>
        <source>列表里多是视频和音频，这一个却是只有 %1 的压缩包，装不下要找的内容</source>
        <translation>The list is mostly video and audio, but this one is an archive of only %1, too small for what is sought</translation>
    </message>
    <message>
        <source>资源数 %1 远高于同名的其他 %2 个文件（它们最多 %3），可能是刷出来的</source>
        <translation>%1 sources, far more than the %2 other files of the same name (at most %3): they may be faked</translation>
    </message>
    <message>
        <source>同一名称下有 %1 个散列不同的文件，大小从 %2 到 %3 不等，难说哪个是真的</source>
        <translation>%1 files with different hashes share this name, from %2 to %3: hard to say which is real</translation>
    </message>
    <message>
        <source>列表里多是视频和音频（%1 个结果里有 %2 个），这一个却是程序（.%3），可能是冒充的</source>
        <translation>The list is mostly video and audio (%2 of %1 results), but this one is a program (.%3): it may be posing as one</translation>
    </message>
    <message>
        <source>序号 %1：%2</source>
        <translation>No. %1: %2</translation>
    </message>
    <message>
        <source>查看服务 %1 连不上，改用 %2</source>
        <translation>Viewer service %1 cannot be reached; using %2 instead</translation>
    </message>
    <message>
        <source>新</source>
        <comment>tag</comment>
        <translation>NEW</translation>
    </message>
    <message>
        <source>啾啾神器</source>
        <translation>Jiujiu</translation>
    </message>
    <message>
        <source>记录文件打不开：</source>
        <translation>The store cannot be opened: </translation>
    </message>
    <message>
        <source>收藏</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>保存的搜索：重新运行、删除或全部清除；记住搜索记录的开关</source>
        <translation>Saved searches: rerun, delete or clear all; the switch to remember searches</translation>
    </message>
    <message>
        <source>没有保存的搜索</source>
        <translation>No saved searches</translation>
    </message>
    <message>
        <source>删除</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>%1（新 %2）</source>
        <translation>%1 (%2 new)</translation>
    </message>
    <message>
        <source>全部清除</source>
        <translation>Clear all</translation>
    </message>
    <message>
        <source>记住搜索记录</source>
        <translation>Remember searches</translation>
    </message>
    <message>
        <source>清除记录</source>
        <translation>Clear history</translation>
    </message>
    <message>
        <source>保存搜索</source>
        <translation>Save search</translation>
    </message>
    <message>
        <source>名称：</source>
        <translation>Name:</translation>
    </message>
    <message>
        <source>搜索没有保存：</source>
        <translation>The search was not saved: </translation>
    </message>
    <message>
        <source>重试失败的页</source>
        <translation>Retry failed pages</translation>
    </message>
    <message>
        <source>再请求一次没能读出来的页，结果按页排在原来的位置</source>
        <translation>Asks again for the pages that could not be read; their rows go where their pages belong</translation>
    </message>
    <message>
        <source>搜索</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>已复制 %1 条链接</source>
        <translation>%1 link(s) copied</translation>
    </message>
    <message>
        <source>停止</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>要搜索的关键字，按回车开始搜索；搜索时按回车换成新的关键字</source>
        <translation>The keyword to search for; Enter starts the search, and during a search starts the new keyword</translation>
    </message>
    <message>
        <source>搜索；搜索时停止 (Esc)</source>
        <translation>Search; during a search, stop (Esc)</translation>
    </message>
    <message>
        <source>技术原因：</source>
        <translation>Technical reason: </translation>
    </message>
    <message>
        <source>状态</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>%1只能写数字和单位，如 700MB、1.5GB</source>
        <translation>%1 takes only a number and a unit, such as 700MB or 1.5GB</translation>
    </message>
    <message>
        <source>ed2k 客户端里的状态：</source>
        <translation>Status in the ed2k client:</translation>
    </message>
    <message>
        <source>下载过或正在共享</source>
        <translation>downloaded or shared</translation>
    </message>
    <message>
        <source>正在下载，后面是已完成多少</source>
        <translation>being downloaded, with how much is done</translation>
    </message>
    <message>
        <source>取消过下载</source>
        <translation>its download was cancelled</translation>
    </message>
    <message>
        <source>这次交出，还不在下载里</source>
        <translation>handed over in this run, not yet among the downloads</translation>
    </message>
    <message>
        <source>没有标记：客户端里没有</source>
        <translation>no mark: the client has no record of it</translation>
    </message>
    <message>
        <source>实际的字符：</source>
        <translation>The actual characters: </translation>
    </message>
    <message>
        <source>客户端里已有这个文件</source>
        <translation>The client already has this file</translation>
    </message>
    <message>
        <source>客户端正在下载这个文件（已下载 %1%）</source>
        <translation>The client is downloading this file (%1% done)</translation>
    </message>
    <message>
        <source>客户端正在下载这个文件</source>
        <translation>The client is downloading this file</translation>
    </message>
    <message>
        <source>%1<byte value="xd"/>
%2，仍要交给客户端吗？</source>
        <translation>%1<byte value="xd"/>
%2. Hand it to the client anyway?</translation>
    </message>
    <message>
        <source>选中的 %1 个链接里有 %2 个文件客户端里已有或正在下载，仍要交给客户端吗？</source>
        <translation>Of the %1 selected links, the client already has or is downloading %2 files. Hand them to the client anyway?</translation>
    </message>
    <message>
        <source>复制并下载</source>
        <translation>Copy and download</translation>
    </message>
    <message>
        <source>正在搜索“%1”…</source>
        <translation>Searching for &quot;%1&quot;…</translation>
    </message>
    <message>
        <source>连续几页都没能读出来，不再请求</source>
        <translation>several pages in a row could not be read; no more were asked for</translation>
    </message>
    <message>
        <source>找不到服务器</source>
        <translation>server not found</translation>
    </message>
    <message>
        <source>连接被拒绝</source>
        <translation>connection refused</translation>
    </message>
    <message>
        <source>连接超时</source>
        <translation>connection timed out</translation>
    </message>
    <message>
        <source>连接太慢</source>
        <translation>connection too slow</translation>
    </message>
    <message>
        <source>安全连接失败</source>
        <translation>secure connection failed</translation>
    </message>
    <message>
        <source>连接中断</source>
        <translation>connection broken off</translation>
    </message>
    <message>
        <source>内存不足</source>
        <translation>out of memory</translation>
    </message>
    <message>
        <source>服务出错（%1）</source>
        <translation>service error (%1)</translation>
    </message>
    <message>
        <source>网络出错</source>
        <translation>network error</translation>
    </message>
    <message>
        <source>搜索失败：%1</source>
        <translation>Search failed: %1</translation>
    </message>
    <message>
        <source>呜呜，连不上搜索服务（%1），请检查网络后再试一次！</source>
        <translation>Oh no, the search service cannot be reached (%1); check the network and try again!</translation>
    </message>
    <message>
        <source>呜呜，搜索服务的答案太大（%1），没能读出来！</source>
        <translation>Oh no, the search service&apos;s answer is too large to read (%1)!</translation>
    </message>
    <message>
        <source>呜呜，搜索服务的答案读不出来！</source>
        <translation>Oh no, the search service&apos;s answer cannot be read!</translation>
    </message>
    <message>
        <source>记录文件没有更新：</source>
        <translation>The store was not updated: </translation>
    </message>
</context>
</TS>
