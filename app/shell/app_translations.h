// The program's texts in the user's language: its own catalogue (compiled into the program)
// and Qt's for the standard buttons and dialogs, chosen by a locale. Without a catalogue for
// the locale the texts stay English.
#pragma once

class QLocale;

// Installs the catalogues for `locale` in place of any installed before, and routes the
// picture layer's texts through them; true when the program's own catalogue was found.
bool InstallTranslations(const QLocale& locale);
// Removes them again: every text is English.
void RemoveTranslations();
