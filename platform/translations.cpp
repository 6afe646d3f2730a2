#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

std::unique_ptr<QTranslator> gQtGerman;

} // namespace

bool UsePlatformLanguage(bool german)
{
    if (!qApp)
        return false;
    if (!german) {
        if (gQtGerman)
            QCoreApplication::removeTranslator(gQtGerman.get());
        return false;
    }
    if (!gQtGerman) {
        auto translator = std::make_unique<QTranslator>();
        if (!translator->load(QStringLiteral("qtbase_de"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            return false;
        gQtGerman = std::move(translator);
    }
    QCoreApplication::installTranslator(gQtGerman.get());
    return true;
}
