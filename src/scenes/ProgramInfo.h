#pragma once
// The product name, its version (the project version of the build) and the
// language code, as the exported files and the title bar name the program.

#include <QString>

namespace tavrel {

inline constexpr const char* kProductName = "Tavrel";
inline constexpr const char* kLanguageCode = "fr";

// "major.minor.patch".
QString ProgramVersionText();

}  // namespace tavrel
