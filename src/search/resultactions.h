#pragma once

#include "results/rowstatus.h"
#include "runtime/value.h"

#include <functional>
#include <vector>

namespace jiujiu {

class SearchWindow;

// "http://" + cloud-play host + "/iplay.html?uvs=_4_&url=" + link + "&tryplay=1&from=vodHome";
// the link percent-encoded (UrlEncodeQueryValue), so the page gets it whole.
Text CloudPlayAddress(const Text &link);

// Shows an address in the cloud-play window, loading the window first when needed.
using CloudPlayPageShower = std::function<void(const Text &address)>;

// Said when no program took a link on the copy path: what happened, where the link is, what to
// do about it.
Text NoClientMessage(bool linkCopied);

// A row as the hand-off sees it: its name and its link, as listed.
struct NamedLink
{
    Text name;
    Text link;
};

// The links of these rows that may be handed on, the empty ones left out. A link that is not a
// well-formed ed2k file link is handed neither to the cloud-play page nor to the ed2k client:
// such links are left out too, and one message box ("温馨提示") says which and why.
std::vector<Text> LinksToHandOn(const std::vector<NamedLink> &rows);
// Told of a link a program took on the copy path.
using HandOffListener = std::function<void(const Text &link)>;

// What the user's ed2k client knows of a row's file (model row number).
using RowMarkOf = std::function<RowMark(int row)>;

// Before a file the client already has or is downloading is handed to it: asks "… 仍要交给
// 客户端吗？" (No the default, Esc No); true to go on. Other files go on without a question.
bool ConfirmHandOff(const Text &name, const RowMark &mark);
// The same for several links at once, `known` of them files the client has or downloads.
bool ConfirmHandOffs(std::size_t known, std::size_t all);

// Double-click on a result: asks whether to play it online (云播放) or to copy the link and
// hand it to the system's ed2k client (复制并下载), saying so when no client took it. Closing
// the question or pressing Esc does neither.
void ActOnSelectedResult(SearchWindow &window, const CloudPlayPageShower &showCloudPlayPage,
                         const HandOffListener &handedOver = {}, const RowMarkOf &markOf = {});

} // namespace jiujiu
