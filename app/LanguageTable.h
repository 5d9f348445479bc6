#pragma once

#include "app/SettingsFile.h"

#include <QStringList>

#include <array>

// The process-wide table of user-visible texts: built-in English, overlaid entry by
// entry from the language pack "Vireto_language.lrp" for the chosen language.
class LanguageTable {
public:
    static constexpr int kTextCount = 169;

    static const std::array<const char*, kTextCount>& builtinTexts();

    // The table for one language: group "Language_<index>" of the pack, decimal keys
    // 0..168; a missing file, group or key keeps the English text, keys beyond 168 are
    // never read.
    static QStringList load(const SettingsFile& pack, int languageIndex);

    // LanguageCnt of group "Language" (0 when absent), held to the languages the pack
    // really mentions (a name key or a text group "Language_<i>"), so that a huge
    // count in a damaged pack cannot make anyone read billions of names.
    static int languageCount(const SettingsFile& pack);
    // The display names "Language_0" .. "Language_<N-1>" of group "Language", N as
    // languageCount gives it; a name missing within N reads as "0".
    static QStringList languageNames(const SettingsFile& pack);
    // What the language selector lists: the pack's names, or "English" without a pack.
    static QStringList selectorEntries(const SettingsFile& pack);
};
