#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace {

QPointer<QTranslator>& programTranslator()
{
    static QPointer<QTranslator> translator;
    return translator;
}

QPointer<QTranslator>& toolkitTranslator()
{
    static QPointer<QTranslator> translator;
    return translator;
}

void uninstall(QPointer<QTranslator>& translator)
{
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

// The installed catalogues come first, so that one can be updated without a new build; the
// copies built into the program serve the build folder and a program run from anywhere.
bool loadProgramCatalogue(QTranslator& translator, const QString& language)
{
    const QString name = QStringLiteral("typovex_") + language;
    const QString installed =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../share/typovex/translations");
    return translator.load(name, installed) ||
           translator.load(name, QStringLiteral(":/translations"));
}

} // namespace

QString Translations::install(const QLocale& locale)
{
    uninstall(programTranslator());
    uninstall(toolkitTranslator());
    for (const QString& uiLanguage : locale.uiLanguages()) {
        const QLocale candidate(uiLanguage);
        // Further languages in the list are fallbacks for texts English already has.
        if (candidate.language() == QLocale::English || candidate.language() == QLocale::C)
            return QString();
        const QString language = candidate.name();
        auto* program = new QTranslator(QCoreApplication::instance());
        if (!loadProgramCatalogue(*program, language)) {
            delete program;
            continue;
        }
        QCoreApplication::installTranslator(program);
        programTranslator() = program;
        // Qt's catalogue is a separate package; without it the standard dialogs stay English.
        auto* toolkit = new QTranslator(QCoreApplication::instance());
        if (toolkit->load(QStringLiteral("qtbase_") + language,
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
            QCoreApplication::installTranslator(toolkit);
            toolkitTranslator() = toolkit;
        } else {
            delete toolkit;
        }
        return language;
    }
    return QString();
}
