#include "platform/Locale.h"

#include <clocale>
#include <cstdlib>
#include <langinfo.h>
#include <locale.h>
#include <mutex>
#include <optional>

namespace quenthal {

namespace {
struct TLanguage {
    const char* szCode;     // ISO 639-1
    uint16_t wPrimary;      // Windows primary language
};
struct TRegion {
    const char* szLocale;   // language_territory
    uint16_t wSubLanguage;
};

constexpr TLanguage kLanguages[] = {
    {"ar", 0x01}, {"bg", 0x02}, {"ca", 0x03}, {"zh", 0x04}, {"cs", 0x05}, {"da", 0x06}, {"de", 0x07},
    {"el", 0x08}, {"en", 0x09}, {"es", 0x0A}, {"fi", 0x0B}, {"fr", 0x0C}, {"he", 0x0D}, {"hu", 0x0E},
    {"is", 0x0F}, {"it", 0x10}, {"ja", 0x11}, {"ko", 0x12}, {"nl", 0x13}, {"nb", 0x14}, {"no", 0x14},
    {"pl", 0x15}, {"pt", 0x16}, {"ro", 0x18}, {"ru", 0x19}, {"hr", 0x1A}, {"sk", 0x1B}, {"sv", 0x1D},
    {"tr", 0x1F}, {"uk", 0x22}, {"sl", 0x24}, {"et", 0x25}, {"lv", 0x26}, {"lt", 0x27},
};

// Sub-languages where they differ from the primary country (SUBLANG_DEFAULT = 1).
constexpr TRegion kRegions[] = {
    {"de_CH", 0x02}, {"de_AT", 0x03}, {"de_LU", 0x04}, {"de_LI", 0x05},
    {"en_GB", 0x02}, {"en_AU", 0x03}, {"en_CA", 0x04}, {"en_NZ", 0x05}, {"en_IE", 0x06},
    {"fr_BE", 0x02}, {"fr_CA", 0x03}, {"fr_CH", 0x04}, {"fr_LU", 0x05},
    {"it_CH", 0x02}, {"nl_BE", 0x02}, {"pt_PT", 0x02}, {"es_MX", 0x02},
};

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

std::mutex& LocaleMutex() {
    static std::mutex mutex;
    return mutex;
}

std::optional<TUserLocale>& StoredLocale() {
    static std::optional<TUserLocale> locale;
    return locale;
}
}  // namespace

uint16_t LanguageIdFromLocaleName(const std::string& localeName) {
    // "de_DE.UTF-8@euro" -> "de_DE"
    const std::string name = localeName.substr(0, localeName.find_first_of(".@"));
    const std::string language = name.substr(0, name.find('_'));
    for (const auto& entry : kLanguages) {
        if (language != entry.szCode) continue;
        uint16_t subLanguage = 0x01;
        for (const auto& region : kRegions) {
            if (name == region.szLocale) subLanguage = region.wSubLanguage;
        }
        return static_cast<uint16_t>((subLanguage << 10) | entry.wPrimary);
    }
    return 0x0409;
}

uint16_t LanguageIdFromEnvironment() {
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const std::string value = EnvironmentValue(variable);
        if (!value.empty()) return LanguageIdFromLocaleName(value);
    }
    return 0x0409;
}

std::string DecimalSeparatorFromEnvironment() {
    // newlocale with "" reads LC_ALL, LC_NUMERIC and LANG like setlocale, without touching the
    // process's own locale (Qt and the C library may rely on it).
    locale_t numeric = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (numeric == static_cast<locale_t>(0)) return ".";
    std::string separator = ::nl_langinfo_l(RADIXCHAR, numeric);
    ::freelocale(numeric);
    return separator.empty() ? "." : separator;
}

const TUserLocale& UserLocale() {
    std::lock_guard lock(LocaleMutex());
    auto& stored = StoredLocale();
    if (!stored) stored = TUserLocale{DecimalSeparatorFromEnvironment(), LanguageIdFromEnvironment()};
    return *stored;
}

void SetUserLocale(const TUserLocale& locale) {
    std::lock_guard lock(LocaleMutex());
    StoredLocale() = locale;
}

TScopedUserLocale::TScopedUserLocale(const TUserLocale& locale) : FPrevious(UserLocale()) {
    SetUserLocale(locale);
}

TScopedUserLocale::~TScopedUserLocale() { SetUserLocale(FPrevious); }

}  // namespace quenthal
