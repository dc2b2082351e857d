#include "ui/qttext.h"

#include "runtime/codepage.h"

namespace jiujiu {

QString ToQString(std::string_view text)
{
    if (text.empty())
        return {};
    const std::string utf8 = TextToUtf8(text);
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

Text ToRuntimeText(const QString &text)
{
    if (text.isEmpty())
        return {};
    const QByteArray utf8 = text.toUtf8();
    return Utf8ToText(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

} // namespace jiujiu
