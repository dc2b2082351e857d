#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace jiujiu {

struct Ed2kLink;

// The kinds ed2k clients search by, told by a file name's extension.
enum class FileType : unsigned char
{
    Video,
    Audio,
    Image,
    Document,
    Archive,
    DiscImage,
    Program, // programs, installers, shortcuts and scripts
    Other,
};
inline constexpr int kFileTypeCount = 8;

// The extension of a file name (UTF-8) in lower-case ASCII: "mkv" for "a.b.MKV". Trailing
// blanks and dots are ignored, as Windows drops them when it saves a file ("a.exe. " is an
// exe). Empty when the name has none: no dot, nothing before or after it, or not 1 to 10
// ASCII letters and digits.
std::string FileExtension(std::string_view fileName);

// The kind of an extension as FileExtension gives it; Other for one the table lacks.
FileType FileTypeOfExtension(std::string_view extension);

// A listed file's kind: its extension as FileExtension gives it and the type that tells.
struct FileKind
{
    FileType type = FileType::Other;
    std::string extension;
};
// The kind of the file a link names: it comes from the link's file name, whatever the row's
// name cell says.
FileKind FileKindOf(const Ed2kLink &link);

// True for extensions Windows runs when the file is opened (exe, scr, lnk, bat, vbs, ...).
bool RunsWhenOpened(std::string_view extension);

// 视频, 音频, 图片, 文档, 压缩包, 光盘镜像, 程序, 其他 (UTF-8).
std::string_view FileTypeName(FileType type);
// The name with the extension, as the list's 类型 column shows it: "视频（.mkv）", or "其他"
// for a name without one.
std::string FileTypeText(FileType type, std::string_view extension);
// video, audio, image, document, archive, disc, program, other.
std::string_view FileTypeKeyword(FileType type);
// Either name (the keyword without regard to ASCII case); none for anything else.
std::optional<FileType> ParseFileType(std::string_view utf8);

} // namespace jiujiu
