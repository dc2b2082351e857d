#include "ui/interfacelanguage.h"

#include <QCoreApplication>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace jiujiu {
namespace {

std::unique_ptr<QTranslator> &Installed()
{
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool InstallInterfaceLanguage(const QLocale &locale)
{
    if (Installed())
        return true;
    if (locale.language() != QLocale::English)
        return false;
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(QStringLiteral(":/jiujiu/translations/jiujiu_en.qm")) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    Installed() = std::move(translator);
    return true;
}

bool InterfaceIsEnglish()
{
    return Installed() != nullptr;
}

void RemoveInterfaceLanguage()
{
    if (Installed()) {
        QCoreApplication::removeTranslator(Installed().get());
        Installed().reset();
    }
}

} // namespace jiujiu
