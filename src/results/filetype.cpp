#include "results/filetype.h"

#include "results/ed2klink.h"
#include "runtime/asciicase.h"
#include "runtime/asciictype.h"

#include <array>
#include <unordered_map>

namespace jiujiu {
namespace {

struct Kind
{
    std::string_view extension;
    FileType type;
    bool runs = false; // Windows runs it when it is opened
};

// The common extensions of each kind, as aMule and eMule sort their search results.
constexpr Kind kKinds[] = {
    {"mkv", FileType::Video},         {"mp4", FileType::Video},
    {"avi", FileType::Video},         {"rmvb", FileType::Video},
    {"rm", FileType::Video},          {"ts", FileType::Video},
    {"m2ts", FileType::Video},        {"mts", FileType::Video},
    {"wmv", FileType::Video},         {"flv", FileType::Video},
    {"f4v", FileType::Video},         {"mov", FileType::Video},
    {"mpg", FileType::Video},         {"mpeg", FileType::Video},
    {"m4v", FileType::Video},         {"vob", FileType::Video},
    {"webm", FileType::Video},        {"3gp", FileType::Video},
    {"asf", FileType::Video},         {"divx", FileType::Video},
    {"xvid", FileType::Video},        {"ogv", FileType::Video},
    {"ogm", FileType::Video},

    {"mp3", FileType::Audio},         {"flac", FileType::Audio},
    {"ape", FileType::Audio},         {"wav", FileType::Audio},
    {"aac", FileType::Audio},         {"m4a", FileType::Audio},
    {"ogg", FileType::Audio},         {"oga", FileType::Audio},
    {"opus", FileType::Audio},        {"wma", FileType::Audio},
    {"ac3", FileType::Audio},         {"dts", FileType::Audio},
    {"mka", FileType::Audio},         {"tta", FileType::Audio},
    {"wv", FileType::Audio},          {"mid", FileType::Audio},
    {"midi", FileType::Audio},        {"amr", FileType::Audio},
    {"aiff", FileType::Audio},        {"dsf", FileType::Audio},
    {"m4b", FileType::Audio},

    {"jpg", FileType::Image},         {"jpeg", FileType::Image},
    {"png", FileType::Image},         {"gif", FileType::Image},
    {"bmp", FileType::Image},         {"webp", FileType::Image},
    {"tif", FileType::Image},         {"tiff", FileType::Image},
    {"psd", FileType::Image},         {"heic", FileType::Image},
    {"svg", FileType::Image},         {"raw", FileType::Image},
    {"cr2", FileType::Image},         {"nef", FileType::Image},
    {"ico", FileType::Image},

    {"pdf", FileType::Document},      {"epub", FileType::Document},
    {"djvu", FileType::Document},     {"mobi", FileType::Document},
    {"azw3", FileType::Document},     {"chm", FileType::Document},
    {"doc", FileType::Document},      {"docx", FileType::Document},
    {"xls", FileType::Document},      {"xlsx", FileType::Document},
    {"ppt", FileType::Document},      {"pptx", FileType::Document},
    {"odt", FileType::Document},      {"rtf", FileType::Document},
    {"txt", FileType::Document},      {"nfo", FileType::Document},
    {"srt", FileType::Document},      {"ass", FileType::Document},
    {"ssa", FileType::Document},      {"lrc", FileType::Document},
    {"cbr", FileType::Document},      {"cbz", FileType::Document},

    {"rar", FileType::Archive},       {"zip", FileType::Archive},
    {"7z", FileType::Archive},        {"tar", FileType::Archive},
    {"gz", FileType::Archive},        {"tgz", FileType::Archive},
    {"bz2", FileType::Archive},       {"xz", FileType::Archive},
    {"cab", FileType::Archive},       {"arj", FileType::Archive},
    {"lzh", FileType::Archive},       {"ace", FileType::Archive},
    {"zst", FileType::Archive},

    {"iso", FileType::DiscImage},     {"nrg", FileType::DiscImage},
    {"img", FileType::DiscImage},     {"bin", FileType::DiscImage},
    {"cue", FileType::DiscImage},     {"mdf", FileType::DiscImage},
    {"mds", FileType::DiscImage},     {"ccd", FileType::DiscImage},
    {"cdi", FileType::DiscImage},     {"dmg", FileType::DiscImage},
    {"vcd", FileType::DiscImage},     {"isz", FileType::DiscImage},

    {"exe", FileType::Program, true}, {"msi", FileType::Program, true},
    {"com", FileType::Program, true}, {"scr", FileType::Program, true},
    {"pif", FileType::Program, true}, {"bat", FileType::Program, true},
    {"cmd", FileType::Program, true}, {"vbs", FileType::Program, true},
    {"vbe", FileType::Program, true}, {"js", FileType::Program, true},
    {"jse", FileType::Program, true}, {"wsf", FileType::Program, true},
    {"wsh", FileType::Program, true}, {"ps1", FileType::Program, true},
    {"lnk", FileType::Program, true}, {"url", FileType::Program, true},
    {"hta", FileType::Program, true}, {"cpl", FileType::Program, true},
    {"msp", FileType::Program, true}, {"jar", FileType::Program, true},
    {"scf", FileType::Program, true}, {"reg", FileType::Program, true},
    {"apk", FileType::Program},       {"xapk", FileType::Program},
    {"ipa", FileType::Program},       {"deb", FileType::Program},
    {"rpm", FileType::Program},       {"appimage", FileType::Program},
    {"sh", FileType::Program},
};

const Kind *FindKind(std::string_view extension)
{
    static const std::unordered_map<std::string_view, const Kind *> byExtension = [] {
        std::unordered_map<std::string_view, const Kind *> map;
        for (const Kind &kind : kKinds)
            map.emplace(kind.extension, &kind);
        return map;
    }();
    const auto found = byExtension.find(extension);
    return found == byExtension.end() ? nullptr : found->second;
}

struct TypeNames
{
    FileType type;
    std::string_view chinese;
    std::string_view keyword;
};

constexpr std::array<TypeNames, kFileTypeCount> kTypeNames = {{
    {FileType::Video, "视频", "video"},
    {FileType::Audio, "音频", "audio"},
    {FileType::Image, "图片", "image"},
    {FileType::Document, "文档", "document"},
    {FileType::Archive, "压缩包", "archive"},
    {FileType::DiscImage, "光盘镜像", "disc"},
    {FileType::Program, "程序", "program"},
    {FileType::Other, "其他", "other"},
}};

} // namespace

std::string FileExtension(std::string_view fileName)
{
    while (!fileName.empty() && (fileName.back() == ' ' || fileName.back() == '.'))
        fileName.remove_suffix(1);
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    const std::string_view extension = fileName.substr(dot + 1);
    if (extension.empty() || extension.size() > 10)
        return {};
    for (char c : extension)
        if (!IsAsciiAlnum(c))
            return {};
    return AsciiLowered(extension);
}

FileKind FileKindOf(const Ed2kLink &link)
{
    FileKind kind;
    kind.extension = FileExtension(link.name);
    kind.type = FileTypeOfExtension(kind.extension);
    return kind;
}

FileType FileTypeOfExtension(std::string_view extension)
{
    const Kind *kind = FindKind(extension);
    return kind ? kind->type : FileType::Other;
}

bool RunsWhenOpened(std::string_view extension)
{
    const Kind *kind = FindKind(extension);
    return kind && kind->runs;
}

namespace {
const TypeNames &NamesOf(FileType type)
{
    for (const TypeNames &names : kTypeNames)
        if (names.type == type)
            return names;
    return kTypeNames.back();
}
} // namespace

std::string_view FileTypeName(FileType type)
{
    return NamesOf(type).chinese;
}

std::string FileTypeText(FileType type, std::string_view extension)
{
    std::string text(FileTypeName(type));
    if (!extension.empty())
        text.append("\xEF\xBC\x88.").append(extension).append("\xEF\xBC\x89"); // （.ext）
    return text;
}

std::string_view FileTypeKeyword(FileType type)
{
    return NamesOf(type).keyword;
}

std::optional<FileType> ParseFileType(std::string_view utf8)
{
    for (const TypeNames &names : kTypeNames)
        if (utf8 == names.chinese || AsciiEqualsIgnoringCase(utf8, names.keyword))
            return names.type;
    return std::nullopt;
}

} // namespace jiujiu
