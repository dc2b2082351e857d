#include "results/resultjudgement.h"

#include "results/resultrow.h"
#include "runtime/codepage.h"
#include "runtime/coretext.h"

namespace jiujiu {

std::string BrokenLinkReason(Ed2kLink::Problem problem)
{
    switch (problem) {
    case Ed2kLink::Problem::None:
        return {};
    case Ed2kLink::Problem::Empty:
        return CoreText(JIUJIU_TEXT("jiujiu", "这一行没有链接"));
    case Ed2kLink::Problem::NotEd2k:
        return CoreText(JIUJIU_TEXT("jiujiu", "这不是 ed2k:// 链接"));
    case Ed2kLink::Problem::NotFileLink:
        return CoreText(JIUJIU_TEXT("jiujiu", "这是 ed2k 服务器或节点列表的链接，不是文件链接"));
    case Ed2kLink::Problem::NoName:
        return CoreText(JIUJIU_TEXT("jiujiu", "链接里没有文件名"));
    case Ed2kLink::Problem::BadSize:
        return CoreText(JIUJIU_TEXT("jiujiu", "链接里的大小不是数字"));
    case Ed2kLink::Problem::SizeOutOfRange:
        return CoreText(JIUJIU_TEXT("jiujiu", "链接里的大小不在 1 字节到 256 GB 之间"));
    case Ed2kLink::Problem::BadHash:
        return CoreText(JIUJIU_TEXT("jiujiu", "链接里的散列不是 32 位十六进制数"));
    case Ed2kLink::Problem::Unterminated:
        return CoreText(JIUJIU_TEXT("jiujiu", "链接没有以“|/”结尾，可能被截断了"));
    }
    return {};
}

Warning BrokenLinkWarning(Ed2kLink::Problem problem)
{
    return {kBrokenLinkRule,
            ComposeText(JIUJIU_TEXT("jiujiu", "链接无效：%1"), {BrokenLinkReason(problem)})};
}

std::string HintText(const std::vector<Warning> &warnings,
                     const std::vector<const ResultRow *> &otherListings)
{
    std::string text;
    for (const Warning &warning : warnings) {
        if (!text.empty())
            text += "；";
        text += warning.text;
    }
    for (std::size_t i = 0; i < otherListings.size(); ++i) {
        const ResultRow &row = *otherListings[i];
        text += i == 0 ? (text.empty() ? "同一文件另见：" : "；同一文件另见：") : "、";
        text += "序号 " + TextToUtf8(row[SerialColumn]) + " “" + TextToUtf8(row[NameColumn]) +
                "”（资源 " + TextToUtf8(row[SourcesColumn]) + "）";
    }
    // One line: a name's line break must not start a line of its own in a spreadsheet.
    for (char &c : text)
        if (c == '\r' || c == '\n')
            c = ' ';
    return text;
}

RowReading::RowReading(const ResultRow &row)
    : m_name(TextToUtf8(row[NameColumn])), m_size(TextToUtf8(row[SizeColumn]))
{
    const Ed2kLink &link = row.link();
    FileKind kind = FileKindOf(link);
    m_extension = std::move(kind.extension);
    m_facts.name = m_name;
    m_facts.fileName = link.name.empty() ? std::string_view(m_name) : std::string_view(link.name);
    m_facts.sizeText = m_size;
    m_facts.link = &link;
    const bool sized = link.size && *link.size >= 1 && *link.size <= Ed2kLink::kMaxSize;
    m_facts.fileBytes = sized ? link.size : row.bytes();
    m_facts.type = kind.type;
    m_facts.extension = m_extension;
}

} // namespace jiujiu
