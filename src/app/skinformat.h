#pragma once

#include <QByteArray>
#include <QColor>
#include <QPalette>
#include <QString>
#include <optional>
#include <vector>

namespace jiujiu {

// The skin data the engine reads: ".SHE", a format version byte, three zero bytes, the
// 32-bit little-endian length of the rest, then the zlib-compressed (qCompress) payload: the
// palette as "Role=#rrggbb" / "Group:Role=#rrggbb" lines, a line "%%", the style sheet (UTF-8).
struct SkinData
{
    struct Colour
    {
        std::optional<QPalette::ColorGroup> group; // none: every group
        QPalette::ColorRole role = QPalette::Window;
        QColor colour;
        bool operator==(const Colour &) const = default;
    };

    std::vector<Colour> palette;
    QString styleSheet;

    // The palette over another one.
    QPalette paletteOver(const QPalette &base) const;

    // Reads palette lines ("#" starts a comment); nullopt with *error at the first bad line.
    static std::optional<std::vector<Colour>> parsePalette(const QString &text,
                                                           QString *error = nullptr);
    QByteArray encode() const;
    // Anything malformed, truncated or oversized is nullopt.
    static std::optional<SkinData> decode(const char *data, std::size_t size);
};

} // namespace jiujiu
