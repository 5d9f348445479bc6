#include "app/AppContext.h"

#include "app/LanguageTable.h"

AppContext& appContext()
{
    static AppContext context;
    return context;
}

QString AppContext::text(int index) const
{
    return index >= 0 && index < texts.size() ? texts.at(index) : QString();
}

int AppContext::loadSkinOnly(int desktopWidth, int desktopHeight)
{
    skin = SkinChoice::forDesktop(desktopWidth, desktopHeight);
    skinDirectory = skin.path;
    return desktopWidth;
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
