#include "search/resultactions.h"

#include "net/openaddress.h"
#include "runtime/codepage.h"
#include "runtime/conversions.h"
#include "runtime/settings.h"
#include "runtime/uiservices.h"
#include "search/searchwindow.h"
#include "search/searchworkflow.h"

namespace jiujiu {

Text CloudPlayAddress(const Text &link)
{
    return Concatenate({"http://", HostSetting(Host::CloudPlay), "/iplay.html?uvs=_4_&url=", link,
                        "&tryplay=1&from=vodHome"});
}

void ActOnSelectedResult(SearchWindow &window, const CloudPlayPageShower &showCloudPlayPage)
{
    static const Text title = Utf8ToText("温馨提示");
    const auto selectedLink = [&window] {
        return window.cellText(window.currentSelection(), LinkColumn);
    };

    if (window.cellText(window.currentSelection(), SerialColumn).empty()) {
        static const Text nothing = Utf8ToText("未正确选中！");
        ShowMessageBox(Value(nothing), Value(0), Value(title));
        return;
    }
    static const Text question = Utf8ToText("使用云播放在线看吗？\r\n否则复制、下载！");
    if (ShowMessageBox(Value(question), Value(MbOkCancel | MbIconInformation), Value(title)) == 0) {
        if (showCloudPlayPage)
            showCloudPlayPage(CloudPlayAddress(selectedLink()));
        return;
    }
    ClearClipboard();
    SetClipboardText(selectedLink());
    OpenAddress(Value(selectedLink()));
}

} // namespace jiujiu
