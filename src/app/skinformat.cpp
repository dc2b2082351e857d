#include "app/skinformat.h"

#include <QMetaEnum>
#include <QStringList>
#include <cstring>

namespace jiujiu {

namespace {

constexpr char kMagic[4] = {'.', 'S', 'H', 'E'};
constexpr unsigned char kVersion = 1;
constexpr std::size_t kHeaderSize = 12;
// A skin is tens of kilobytes; refuse to inflate anything claiming more.
constexpr std::uint32_t kMaxPayload = 4u << 20;
const char kSeparator[] = "%%";

QString ColourText(const QColor &c)
{
    return c.alpha() == 255 ? c.name(QColor::HexRgb) : c.name(QColor::HexArgb);
}

} // namespace

QPalette SkinData::paletteOver(const QPalette &base) const
{
    QPalette p = base;
    for (const Colour &c : palette) {
        if (c.group)
            p.setColor(*c.group, c.role, c.colour);
        else
            p.setColor(c.role, c.colour);
    }
    return p;
}

std::optional<std::vector<SkinData::Colour>> SkinData::parsePalette(const QString &text,
                                                                    QString *error)
{
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    std::vector<Colour> out;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        auto fail = [&]() -> std::optional<std::vector<Colour>> {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(line);
            return std::nullopt;
        };
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0)
            return fail();
        QString key = line.left(eq).trimmed();
        const QColor colour = QColor::fromString(line.mid(eq + 1).trimmed());
        Colour c;
        const qsizetype colon = key.indexOf(QLatin1Char(':'));
        if (colon >= 0) {
            bool ok = false;
            const int g = groups.keyToValue(key.left(colon).toLatin1().constData(), &ok);
            if (!ok || g < 0 || g >= QPalette::NColorGroups)
                return fail();
            c.group = static_cast<QPalette::ColorGroup>(g);
            key = key.mid(colon + 1);
        }
        bool ok = false;
        const int r = roles.keyToValue(key.toLatin1().constData(), &ok);
        if (!ok || r < 0 || r >= QPalette::NColorRoles || !colour.isValid())
            return fail();
        c.role = static_cast<QPalette::ColorRole>(r);
        c.colour = colour;
        out.push_back(c);
    }
    return out;
}

QByteArray SkinData::encode() const
{
    const QMetaEnum roles = QMetaEnum::fromType<QPalette::ColorRole>();
    const QMetaEnum groups = QMetaEnum::fromType<QPalette::ColorGroup>();
    QByteArray payload;
    for (const Colour &c : palette) {
        if (c.group)
            payload += QByteArray(groups.valueToKey(*c.group)) + ':';
        payload +=
            QByteArray(roles.valueToKey(c.role)) + '=' + ColourText(c.colour).toLatin1() + '\n';
    }
    payload += QByteArray(kSeparator) + '\n' + styleSheet.toUtf8();
    const QByteArray compressed = qCompress(payload, 9);
    QByteArray out(kMagic, sizeof kMagic);
    out += char(kVersion);
    out += QByteArray(3, '\0');
    const auto n = static_cast<std::uint32_t>(compressed.size());
    for (int shift = 0; shift < 32; shift += 8)
        out += char((n >> shift) & 0xFF);
    return out + compressed;
}

std::optional<SkinData> SkinData::decode(const char *data, std::size_t size)
{
    if (!data || size < kHeaderSize + 4 || std::memcmp(data, kMagic, sizeof kMagic) != 0 ||
        static_cast<unsigned char>(data[4]) != kVersion || data[5] || data[6] || data[7])
        return std::nullopt;
    const auto *u = reinterpret_cast<const unsigned char *>(data);
    const std::uint32_t length = u[8] | u[9] << 8 | u[10] << 16 | std::uint32_t(u[11]) << 24;
    if (length != size - kHeaderSize)
        return std::nullopt;
    // qCompress puts the inflated size first, big-endian.
    const std::uint32_t inflated = std::uint32_t(u[12]) << 24 | u[13] << 16 | u[14] << 8 | u[15];
    if (inflated == 0 || inflated > kMaxPayload)
        return std::nullopt;
    const QByteArray payload =
        qUncompress(u + kHeaderSize, static_cast<qsizetype>(size - kHeaderSize));
    if (payload.size() != qsizetype(inflated))
        return std::nullopt;
    const QString text = QString::fromUtf8(payload);
    const QString separator = QLatin1String(kSeparator) + QLatin1Char('\n');
    qsizetype at = -1;
    if (text.startsWith(separator))
        at = 0;
    else if (qsizetype found = text.indexOf(QLatin1Char('\n') + separator); found >= 0)
        at = found + 1;
    if (at < 0)
        return std::nullopt;
    auto palette = parsePalette(text.left(at));
    if (!palette)
        return std::nullopt;
    SkinData skin;
    skin.palette = std::move(*palette);
    skin.styleSheet = text.mid(at + separator.size());
    return skin;
}

} // namespace jiujiu
