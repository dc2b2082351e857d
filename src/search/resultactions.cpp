#include "search/resultactions.h"

#include "net/openaddress.h"
#include "net/urlencoding.h"
#include "results/directioncontrols.h"
#include "results/ed2klink.h"
#include "results/resultjudgement.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/coretext.h"
#include "runtime/settings.h"
#include "runtime/uiservices.h"
#include "search/searchtexts.h"
#include "search/searchwindow.h"
#include "search/searchworkflow.h"

namespace jiujiu {
namespace {

// A name inside a message: isolated, so a direction control in it cannot turn the message
// around.
std::string IsolatedName(const Text &name)
{
    return IsolatedUtf8(TextToUtf8(name));
}

} // namespace

Text CloudPlayAddress(const Text &link)
{
    // Percent-encoded: an "&" or "#" in the link would otherwise end the url value early.
    return Concatenate({"http://", HostSetting(Host::CloudPlay), "/iplay.html?uvs=_4_&url=",
                        UrlEncodeQueryValue(link), "&tryplay=1&from=vodHome"});
}

Text NoClientMessage(bool linkCopied)
{
    // Each line marked on its own: the window translates a message line by line.
    static const Text nobody =
        Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "没有 ed2k 下载工具接收这个链接。")));
    static const Text onClipboard =
        Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "链接已复制到剪贴板，可以粘贴到下载工具里。")));
    static const Text fix = Utf8ToText(CoreText(JIUJIU_TEXT(
        "jiujiu", "请安装 aMule 等 ed2k 下载工具，并把它设为 ed2k 链接的默认打开程序。")));
    return linkCopied ? Concatenate({nobody, "\r\n", onClipboard, "\r\n", fix})
                      : Concatenate({nobody, "\r\n", fix});
}

std::vector<Text> LinksToHandOn(const std::vector<NamedLink> &rows)
{
    const Text &title = SearchMessageTitle();
    constexpr std::size_t kNamed = 5; // broken links named in the message; the rest are counted
    std::vector<Text> links;
    std::vector<std::string> broken;
    std::size_t brokenCount = 0;
    for (const NamedLink &row : rows) {
        const Ed2kLink link = Ed2kLink::Parse(TextToUtf8(row.link));
        if (link.valid()) {
            links.push_back(row.link);
            continue;
        }
        if (++brokenCount <= kNamed)
            broken.push_back(rows.size() > 1 ? ComposeText(JIUJIU_TEXT("jiujiu", "%1：%2"),
                                                           {IsolatedName(row.name),
                                                            BrokenLinkReason(link.problem)})
                                             : BrokenLinkReason(link.problem));
    }
    if (brokenCount == 0)
        return links;
    // Each line marked on its own: the window translates a message line by line.
    std::string message =
        (rows.size() == 1
             ? CoreText(JIUJIU_TEXT("jiujiu", "这个链接无效，不能云播放，也不能交给 ed2k 客户端："))
             : ComposeText(
                   JIUJIU_TEXT("jiujiu", "选中的链接里有 %1 个无效，没有交给 ed2k 客户端："),
                   {std::to_string(brokenCount)})) +
        "\r\n";
    for (const std::string &line : broken)
        message += line + "\r\n";
    if (brokenCount > kNamed)
        message +=
            ComposeText(JIUJIU_TEXT("jiujiu", "等 %1 个"), {std::to_string(brokenCount)}) + "\r\n";
    if (rows.size() == 1)
        message += CoreText(JIUJIU_TEXT("jiujiu", "可以复制链接，看看哪里不对。"));
    else if (links.empty())
        message += CoreText(JIUJIU_TEXT("jiujiu", "一个链接也没有交出。"));
    else
        message += ComposeText(JIUJIU_TEXT("jiujiu", "其余 %1 个照常交出。"),
                               {std::to_string(links.size())});
    ShowMessageBox(Value(Utf8ToText(message)), Value(MbOk | MbIconWarning), Value(title));
    return links;
}

bool ConfirmHandOff(const Text &name, const RowMark &mark)
{
    std::string state;
    if (mark.status == RowStatus::Known) {
        state = CoreText(JIUJIU_TEXT("jiujiu", "客户端里已有这个文件"));
    } else if (mark.status == RowStatus::Downloading) {
        state = mark.donePermille
                    ? ComposeText(JIUJIU_TEXT("jiujiu", "客户端正在下载这个文件（已下载 %1%）"),
                                  {std::to_string(*mark.donePermille / 10)})
                    : CoreText(JIUJIU_TEXT("jiujiu", "客户端正在下载这个文件"));
    } else {
        return true;
    }
    const std::string question = ComposeText(JIUJIU_TEXT("jiujiu", "%1\r\n%2，仍要交给客户端吗？"),
                                             {IsolatedName(name), state});
    return ShowMessageBox(Value(Utf8ToText(question)),
                          Value(MbYesNo | MbIconQuestion | MbDefaultButton2),
                          Value(SearchMessageTitle())) == IdYes - 1;
}

bool ConfirmHandOffs(std::size_t known, std::size_t all)
{
    if (known == 0)
        return true;
    const std::string question = ComposeText(
        JIUJIU_TEXT("jiujiu",
                    "选中的 %1 个链接里有 %2 个文件客户端里已有或正在下载，仍要交给客户端吗？"),
        {std::to_string(all), std::to_string(known)});
    return ShowMessageBox(Value(Utf8ToText(question)),
                          Value(MbYesNo | MbIconQuestion | MbDefaultButton2),
                          Value(SearchMessageTitle())) == IdYes - 1;
}

void ActOnSelectedResult(SearchWindow &window, const CloudPlayPageShower &showCloudPlayPage,
                         const HandOffListener &handedOver, const RowMarkOf &markOf)
{
    const Text &title = SearchMessageTitle();
    const auto selectedLink = [&window] {
        return window.cellText(window.currentSelection(), LinkColumn);
    };

    if (window.cellText(window.currentSelection(), SerialColumn).empty()) {
        static const Text nothing = Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "未正确选中！")));
        ShowMessageBox(Value(nothing), Value(0), Value(title));
        return;
    }
    // A broken link reaches neither path; the user is told why instead of being asked.
    const int selected = window.currentSelection();
    if (LinksToHandOn({{window.cellText(selected, NameColumn), selectedLink()}}).empty())
        return;
    static const Text question =
        Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "使用云播放在线看吗？\r\n否则复制、下载！")));
    static const std::vector<Text> choices = {
        Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "云播放"))),
        Utf8ToText(CoreText(JIUJIU_TEXT("jiujiu", "复制并下载")))};
    const int choice = AskChoice(question, title, choices);
    if (choice == 0) {
        if (showCloudPlayPage)
            showCloudPlayPage(CloudPlayAddress(selectedLink()));
        return;
    }
    if (choice != 1)
        return;
    if (markOf && !ConfirmHandOff(window.cellText(selected, NameColumn), markOf(selected)))
        return;
    ClearClipboard();
    const bool copied = SetClipboardText(selectedLink());
    // Told, unlike the silent shell hand-off: a link no client took is otherwise just lost.
    const Text link = selectedLink();
    const HandOff handOff = HandOverAddress(Value(link));
    if (handOff == HandOff::Refused)
        ShowMessageBox(Value(NoClientMessage(copied)), Value(MbOk | MbIconWarning), Value(title));
    else if (handOff != HandOff::Rejected && handedOver)
        handedOver(link);
}

} // namespace jiujiu
