#include "app/skinengine.h"

#include "app/hostimports.h"
#include "app/loaderapitable.h"
#include "app/skinformat.h"

#include <QApplication>

namespace jiujiu {

namespace {

std::uint32_t AttachFromImage(std::span<const std::uintptr_t> args)
{
    // (skin data, its length, resource name, three flags): the name and flags select nothing.
    if (args.size() != 6)
        return 0;
    return SkinEngine::instance().attach(reinterpret_cast<const char *>(args[0]), args[1]) ? 1 : 0;
}

std::uint32_t DetachFromImage(std::span<const std::uintptr_t> args)
{
    if (!args.empty())
        return 0;
    SkinEngine::instance().detach();
    return 1;
}

#if JIUJIU_NATIVE_IMAGE_CODE
std::uint32_t __stdcall NativeAttach(std::uint32_t data, std::uint32_t size, std::uint32_t name,
                                     std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    const std::uintptr_t args[6] = {data, size, name, a, b, c};
    return AttachFromImage(args);
}

std::uint32_t __stdcall NativeDetach()
{
    return DetachFromImage({});
}
#endif

} // namespace

SkinEngine &SkinEngine::instance()
{
    static SkinEngine engine;
    return engine;
}

bool SkinEngine::attach(const char *data, std::size_t size)
{
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return false;
    const std::optional<SkinData> skin = SkinData::decode(data, size);
    if (!skin)
        return false;
    // A second attach replaces the skin but keeps what detach goes back to.
    if (!m_attached) {
        m_savedStyleSheet = app->styleSheet();
        m_savedPalette = QApplication::palette();
    }
    QApplication::setPalette(skin->paletteOver(m_savedPalette));
    app->setStyleSheet(skin->styleSheet);
    m_attached = true;
    return true;
}

void SkinEngine::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
    if (!app)
        return;
    QApplication::setPalette(m_savedPalette);
    app->setStyleSheet(m_savedStyleSheet);
    m_savedStyleSheet.clear();
    m_savedPalette = QPalette();
}

void SkinEngine::registerImports(HostImports &imports)
{
    void *nativeAttach = nullptr;
    void *nativeDetach = nullptr;
#if JIUJIU_NATIVE_IMAGE_CODE
    nativeAttach = reinterpret_cast<void *>(&NativeAttach);
    nativeDetach = reinterpret_cast<void *>(&NativeDetach);
#endif
    imports.addFunction(kModuleName, "SkinEngineAttach", AttachFromImage, nativeAttach);
    imports.addFunction(kModuleName, "SkinEngineDetach", DetachFromImage, nativeDetach);
}

} // namespace jiujiu
