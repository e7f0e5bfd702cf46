#pragma once
// The user-interface language. All texts are English by default; on a German system the program
// loads Qth_DE.txt, a list of "id_text" lines, once at start-up. Captions of the main window's
// controls are then replaced by their tag's text, and every message passes through TranslateText
// with its English default.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quenthal {

// The language file's lines, sorted without regard to letter case (code point order after case
// folding); of lines equal apart from letter case only the first one read is kept.
class TLanguageTexts {
public:
    // text: the decoded file, UTF-8; lines end with CR LF, LF or CR.
    static TLanguageTexts FromText(std::string_view text);

    // The text after the first underscore of the first line whose id is exactly the decimal digits
    // of id (no sign, no leading zeros); the digits themselves when no line has that id; a line of
    // digits alone gives itself. Ids of 100 and below give "Fehler Text Id".
    std::string LookupText(int32_t id) const;

    const std::vector<std::string>& Lines() const { return FLines; }

private:
    std::vector<std::string> FLines;
};

// True when the primary language of the user's language id is German.
bool IsGermanUI();

// Loads the process's list from path (from the executable's folder when boPathComplete is false).
// A missing file shows "DE Sprachdatei nicht gefunden: " and the full path and gives false; a file
// that cannot be read gives false without a message.
bool LoadLanguageFile(const std::string& path, bool boPathComplete);

bool LanguageLoaded();
// Only meaningful while a list is loaded; gives the id's digits otherwise.
std::string LookupText(int32_t id);
// The one way to a user-visible message: the file's text for id when a list is loaded and has an
// entry, else the default.
std::string TranslateText(const std::string& defaultText, int32_t id);

// Drops the loaded list (tests only; the program keeps its list until it ends).
void UnloadLanguageFile();

// Things with a tag and a caption, as the window's control models offer them for translation.
class ITranslatableComponent {
public:
    virtual ~ITranslatableComponent() = default;
    virtual int32_t Tag() const = 0;
    // For a radio group its caption only, for a labelled edit the caption of its label.
    virtual void SetCaption(const std::string& caption) = 0;
};

class IComponentOwner {
public:
    virtual ~IComponentOwner() = default;
    // In the window's component order.
    virtual std::vector<ITranslatableComponent*> TranslatableComponents() = 0;
};

// With a list loaded, every component whose tag is above 100 gets its tag's text (its digits when
// the file has none). A component that fails to take its caption is skipped.
void TranslateComponents(IComponentOwner& window);

}  // namespace quenthal
