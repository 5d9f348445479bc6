#include "app/CommandLine.h"

#include "app/LanguageTable.h"

#include <array>

namespace {

struct ToolSwitch {
    const char* name;
    int toolMode;
    int subFunction;
};

constexpr std::array<ToolSwitch, 13> kToolSwitches = {{
    {"-MM", 1, 0},
    {"-mm", 1, 0},
    {"-DD", 2, 0},
    {"-dd", 2, 0},
    {"-UU", 3, 0},
    {"-uu", 3, 0},
    {"-4cal", 3, 1},
    {"-16cal", 3, 2},
    {"-key", 1, 3},
    {"-ir", 1, 4},
    {"-adj", 1, 5},
    {"-update", 5, 0},
    {"-ver", 1, 7},
}};

struct LanguageSwitch {
    const char* name;
    int languageIndex;
};

constexpr std::array<LanguageSwitch, 12> kLanguageSwitches = {{
    {"-EN", 0},
    {"-en", 0},
    {"-PL", 1},
    {"-pl", 1},
    {"-RU", 2},
    {"-ru", 2},
    {"-CHS", 3},
    {"-chs", 3},
    {"-CHT", 4},
    {"-cht", 4},
    {"-JA", 5},
    {"-ja", 5},
}};

const QString kConfig = QStringLiteral("Vireto_Config");

bool matchTool(const QString& arg, StartupOptions& o)
{
    for (const ToolSwitch& s : kToolSwitches) {
        if (arg == QLatin1String(s.name)) {
            o.toolMode = s.toolMode;
            o.subFunction = s.subFunction;
            return true;
        }
    }
    return false;
}

bool matchLanguage(const QString& arg, int languageCount, StartupOptions& o)
{
    for (const LanguageSwitch& s : kLanguageSwitches) {
        if (arg == QLatin1String(s.name)) {
            o.languageIndex = s.languageIndex;
            return true;
        }
    }
    // "-x" with a lower-case letter picks language x - 'a' when the pack has it.
    if (arg.size() == 2 && arg.at(0) == QLatin1Char('-')) {
        const char16_t x = arg.at(1).unicode();
        if (x >= u'a' && x <= u'z' && x - u'a' < languageCount) {
            o.languageIndex = x - u'a';
            return true;
        }
    }
    return false;
}

} // namespace

StartupOptions parseCommandLine(const QStringList& args, const SettingsFile& ini,
                                const SettingsFile& pack)
{
    StartupOptions o;
    o.subVersion = ini.readInt(kConfig, QStringLiteral("SubVersion"), 0);
    if (o.subVersion != 1 && o.subVersion != 3 && o.subVersion != 5 && o.subVersion != 8)
        o.subVersion = 0;
    const int languageCount = LanguageTable::languageCount(pack);

    for (const QString& arg : args) {
        if (!o.toolSwitchFound)
            o.toolSwitchFound = matchTool(arg, o);
        if (!o.languageSwitchFound)
            o.languageSwitchFound = matchLanguage(arg, languageCount, o);
        if (o.toolSwitchFound && o.languageSwitchFound)
            break;
    }

    if (!o.toolSwitchFound) {
        const int choice = ini.readInt(kConfig, QStringLiteral("ChooseToolEnable"), 1);
        o.toolMode = (choice == 0 || (choice >= 2 && choice <= 5)) ? choice : 1;
        o.subFunction = 0;
    }

    if (!o.languageSwitchFound) {
        o.languageIndex = ini.readInt(kConfig, QStringLiteral("Language"), 0);
        // A negative index is as unusable as one past the pack's end.
        if (o.languageIndex < 0 || o.languageIndex >= languageCount) {
            o.languageIndex = 0;
            ini.write(kConfig, QStringLiteral("Language"), 0);
        }
    }
    return o;
}

QString optionValue(const QStringList& args, const QString& name)
{
    const QString prefix = name + QLatin1Char('=');
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i].startsWith(prefix))
            return args[i].mid(prefix.size());
        if (args[i] == name && i + 1 < args.size())
            return args[i + 1];
    }
    return {};
}

QString deviceOption(const QStringList& args)
{
    const QString given = optionValue(args, QStringLiteral("--device"));
    if (!given.isEmpty())
        return given;
    const QByteArray env = qgetenv("VIRETO_DEVICE");
    return env.isEmpty() ? QStringLiteral("hid") : QString::fromLocal8Bit(env);
}
