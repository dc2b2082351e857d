#include "search/answercheck.h"

#include "runtime/codepage.h"
#include "runtime/coretext.h"
#include "runtime/utf8.h"

namespace jiujiu {
namespace {

// Enough of a body to tell text from binary.
constexpr std::size_t kSniffed = 8192;

bool LooksBinary(std::string_view body)
{
    std::string_view head = body.substr(0, kSniffed);
    if (head.find('\0') != std::string_view::npos)
        return true;
    if (head.size() < body.size()) {
        // Cut where a character starts, not inside one.
        std::size_t end = head.size();
        while (end > 0 && head.size() - end < 4 &&
               IsUtf8Continuation(static_cast<unsigned char>(body[end])))
            --end;
        head = head.substr(0, end);
    }
    return !IsValidUtf8(head);
}

} // namespace

std::string UnreadableAnswerReason(std::string_view body)
{
    if (body.find("&lt;") != std::string_view::npos)
        return {};
    if (body.find_first_not_of(" \t\r\n") == std::string_view::npos)
        return CoreText(JIUJIU_TEXT("jiujiu", "答案读不出来：答案是空的"));
    if (LooksBinary(body))
        return CoreText(JIUJIU_TEXT("jiujiu", "答案读不出来：不是文本"));
    return CoreText(JIUJIU_TEXT("jiujiu", "答案读不出来：不是查看服务转来的网页"));
}

std::string UndecodableAnswerReason()
{
    return CoreText(JIUJIU_TEXT("jiujiu", "答案读不出来：压缩的答案解不开"));
}

} // namespace jiujiu
