// Lookup of the program's string table (a Qt resource) by id in the user's language.
#pragma once

#include <QString>
#include <optional>

namespace verrano {

// 1042 Korean, 1041 Japanese, anything else 1033, from the system locale (or the override).
int UserLanguageId();
void SetLanguageOverride(int languageId); // 0 restores the system's choice

// The text of an id in a language; nothing when the table has none.
std::optional<QString> LoadResString(int id, int languageId);

} // namespace verrano
