#include "app_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>
#include <optional>

#include "picture_prompt.h"

namespace {

std::unique_ptr<QTranslator> g_program;
std::unique_ptr<QTranslator> g_qt;
std::optional<QLocale> g_previousDefault;

} // namespace

bool InstallTranslations(const QLocale& locale) {
    RemoveTranslations();
    auto program = std::make_unique<QTranslator>();
    // The catalogues are a resource of the program (":/i18n/quiltapp_<language>.qm").
    const bool found = program->load(locale, QStringLiteral("quiltapp"), QStringLiteral("_"),
                                     QStringLiteral(":/i18n"));
    if (found) {
        QCoreApplication::installTranslator(program.get());
        g_program = std::move(program);
        // Qt's own catalogue for the same language (standard buttons, file and print dialogs).
        auto qt = std::make_unique<QTranslator>();
        if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(qt.get());
            g_qt = std::move(qt);
        }
    }
    // Dates and numbers the program formats itself follow the language of its texts: the
    // locale's formats with its catalogue, the fixed English ones without.
    g_previousDefault = QLocale();
    QLocale::setDefault(found ? locale : QLocale(QLocale::English, QLocale::UnitedStates));
    SetPictureTranslator([](const char* context, const char* text) {
        return QCoreApplication::translate(context, text).toStdString();
    });
    return found;
}

void RemoveTranslations() {
    SetPictureTranslator({});
    if (g_qt) QCoreApplication::removeTranslator(g_qt.get());
    if (g_program) QCoreApplication::removeTranslator(g_program.get());
    g_qt.reset();
    g_program.reset();
    if (g_previousDefault) QLocale::setDefault(*g_previousDefault);
    g_previousDefault.reset();
}
