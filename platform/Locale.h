#pragma once
// The user's locale as the program sees it: the decimal separator of number displays and entries,
// and a Windows-style language id (primary language in the low ten bits, 7 = German). Both come
// from the environment once and can be replaced for tests.

#include <cstdint>
#include <string>

namespace quenthal {

struct TUserLocale {
    std::string stDecimalSeparator = ".";
    uint16_t wLanguageId = 0x0409;  // English (United States)
};

constexpr uint16_t kPrimaryLanguageGerman = 0x07;
constexpr uint16_t PrimaryLanguageOf(uint16_t languageId) { return languageId & 0x3FF; }

// The language id of a POSIX locale name such as "de_DE.UTF-8" or "de_AT@euro"; unknown names,
// "C" and "POSIX" give English (United States).
uint16_t LanguageIdFromLocaleName(const std::string& localeName);

// LC_ALL, then LC_MESSAGES, then LANG: the first one that is set and not empty decides.
uint16_t LanguageIdFromEnvironment();

// The radix character of the numeric locale that the environment selects (LC_ALL, LC_NUMERIC,
// LANG); "." when that locale is not installed.
std::string DecimalSeparatorFromEnvironment();

// Read from the environment at the first call, unless replaced.
const TUserLocale& UserLocale();
void SetUserLocale(const TUserLocale& locale);

// Replaces the user's locale for the lifetime of the object (tests).
class TScopedUserLocale {
public:
    explicit TScopedUserLocale(const TUserLocale& locale);
    ~TScopedUserLocale();
    TScopedUserLocale(const TScopedUserLocale&) = delete;
    TScopedUserLocale& operator=(const TScopedUserLocale&) = delete;

private:
    TUserLocale FPrevious;
};

}  // namespace quenthal
