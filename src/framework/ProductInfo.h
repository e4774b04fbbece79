#pragma once
// The names and numbers by which the program presents itself: the product
// name, its maker, the language of its interface, the version numbers (those
// of the build's project version), the title string shown in captions, the
// date of the release, and the addresses the About page and the help menu
// open. The desktop program, the command-line tool and the exports all read
// them here, so every text that names the program names it the same way.

#include <QString>
#include <QStringList>

namespace tavrel {

// "Tavrel".
QString ProductName();
// "Ombrix", credited after " de " in captions and in the settings.
QString ProductMaker();
// "fr": the language of the interface.
QString ProductLanguage();

int ProductVersionMajor();
int ProductVersionMinor();
int ProductVersionPatch();
// "%d.%d.%d" of the three numbers.
QString ProductVersion();
// The product name, the version and the language code, separated by one
// blank: "Tavrel 0.1.0 fr".
QString ProductTitle();
// The date of the release, "%.2d/%.2d/%.4d" of the day, month and year.
QString ProductLastUpdate();

// The web pages of the product and the address its maker reads.
QString ProductHomePage();
QString ProductDocumentationPage();
QString ProductForumPage();
QString ProductMailAddress();

// The credits sentence of the About page, in the tag language: "Il utilise "
// then one web link per credited component (its title as the text, the
// address of the same rank as the target), separated by ", ", ending with
// ".<br><br>". A title without an address is named without a link; with no
// title at all there is no sentence.
QString CreditsRichText(const QStringList& titles, const QStringList& urls);
// The About page, in the tag language: the title string, what the program
// does, the date of the release, the product's pages, the credits and the
// warranty paragraph.
QString AboutRichText(const QStringList& titles, const QStringList& urls);

}  // namespace tavrel
