#pragma once

#include <QPalette>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <span>

namespace jiujiu {

class HostImports;

// The skin engine proper, which the carried engine image reaches through its imports: it draws
// the whole application with the skin's palette and style sheet, and on detach puts back the
// palette and style sheet that were there before.
class SkinEngine final
{
public:
    static constexpr const char *kModuleName = "jiujiuskin.dll";

    static SkinEngine &instance();

    // Reads the skin completely before it returns; false (nothing changed) for bad data or
    // without an application object.
    bool attach(const char *data, std::size_t size);
    void detach();
    bool attached() const { return m_attached; }

    // Makes kModuleName with SkinEngineAttach and SkinEngineDetach known to the table.
    static void registerImports(HostImports &imports);

private:
    SkinEngine() = default;

    bool m_attached = false;
    QString m_savedStyleSheet;
    QPalette m_savedPalette;
};

} // namespace jiujiu
