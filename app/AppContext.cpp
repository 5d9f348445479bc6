#include "app/AppContext.h"

#include "app/LanguageTable.h"
#include "app/RuntimeHome.h"

AppContext& appContext()
{
    // The run's diary is where the engines' log lines go.
    static AppContext& context = []() -> AppContext& {
        static AppContext c;
        setServiceLog(&c.log);
        return c;
    }();
    return context;
}

QString AppContext::text(int index) const
{
    return index >= 0 && index < texts.size() ? texts.at(index) : QString();
}

int AppContext::loadSkinOnly(int desktopWidth, int desktopHeight)
{
    skin = SkinChoice::forDesktop(desktopWidth, desktopHeight);
    // "./skin/1024/" and its siblings, among the shipped resources.
    skinDirectory = runtime_home::resourceFolder() + skin.path.mid(1);
    return desktopWidth;
}

void AppContext::useSkin(const SkinChoice& choice)
{
    const QString folder = choice.path.section(QLatin1Char('/'), -2, -2); // "1440"
    QString directory = skinDirectory;
    if (directory.endsWith(QLatin1Char('/')))
        directory.chop(1);
    const int cut = directory.lastIndexOf(QLatin1Char('/'));
    skinDirectory = cut >= 0 ? directory.left(cut + 1) + folder + QLatin1Char('/')
                             : runtime_home::resourceFolder() + choice.path.mid(1);
    skin = choice;
}

void AppContext::reloadLanguage()
{
    texts = LanguageTable::load(SettingsFile::languagePack(), languageIndex);
}

int AppContext::loadLookAndLanguage(int desktopWidth, int desktopHeight)
{
    loadSkinOnly(desktopWidth, desktopHeight);
    reloadLanguage();
    return desktopWidth;
}

Edition AppContext::edition() const
{
    return chooseEdition(toolMode, subFunction);
}

Edition chooseEdition(int toolMode, int subFunction)
{
    if (toolMode == 3)
        return Edition::User;
    if (toolMode == 4)
        return Edition::FactoryTest;
    if (subFunction != 0)
        return Edition::SingleFunction;
    return Edition::Engineering;
}

QString toolVersionText(int subVersion)
{
    const QString base = QString::fromLatin1(kToolVersion);
    return subVersion != 0 ? base + QStringLiteral("-%1").arg(subVersion) : base;
}
