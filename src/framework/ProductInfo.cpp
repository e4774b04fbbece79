#include "framework/ProductInfo.h"

#include "framework/RichMarkup.h"

// The build gives the numbers of the project version and the release date;
// a build without them still names itself, as version 0.0.0.
#ifndef TAVREL_VERSION_MAJOR
#define TAVREL_VERSION_MAJOR 0
#endif
#ifndef TAVREL_VERSION_MINOR
#define TAVREL_VERSION_MINOR 0
#endif
#ifndef TAVREL_VERSION_PATCH
#define TAVREL_VERSION_PATCH 0
#endif
#ifndef TAVREL_RELEASE_YEAR
#define TAVREL_RELEASE_YEAR 2026
#endif
#ifndef TAVREL_RELEASE_MONTH
#define TAVREL_RELEASE_MONTH 1
#endif
#ifndef TAVREL_RELEASE_DAY
#define TAVREL_RELEASE_DAY 1
#endif

namespace tavrel {

QString ProductName() {
    return QStringLiteral("Tavrel");
}

QString ProductMaker() {
    return QStringLiteral("Ombrix");
}

QString ProductLanguage() {
    return QStringLiteral("fr");
}

int ProductVersionMajor() {
    return TAVREL_VERSION_MAJOR;
}

int ProductVersionMinor() {
    return TAVREL_VERSION_MINOR;
}

int ProductVersionPatch() {
    return TAVREL_VERSION_PATCH;
}

QString ProductVersion() {
    return QString::asprintf("%d.%d.%d", ProductVersionMajor(), ProductVersionMinor(),
                             ProductVersionPatch());
}

QString ProductTitle() {
    return ProductName() + QLatin1Char(' ') + ProductVersion() + QLatin1Char(' ') +
           ProductLanguage();
}

QString ProductLastUpdate() {
    return QString::asprintf("%.2d/%.2d/%.4d", TAVREL_RELEASE_DAY, TAVREL_RELEASE_MONTH,
                             TAVREL_RELEASE_YEAR);
}

// No site is published yet: the reserved ".invalid" name makes a link that
// cannot reach a stranger's server by accident.
QString ProductHomePage() {
    return QStringLiteral("https://tavrel.invalid/");
}

QString ProductDocumentationPage() {
    return QStringLiteral("https://tavrel.invalid/documentation/");
}

QString ProductForumPage() {
    return QStringLiteral("https://tavrel.invalid/forum/");
}

QString ProductMailAddress() {
    return QStringLiteral("contact@tavrel.invalid");
}

namespace {

// A link target cannot hold the brackets that end or open a tag.
QString LinkTarget(QString target) {
    target = target.trimmed();
    target.replace(QLatin1Char('<'), QStringLiteral("%3C"));
    target.replace(QLatin1Char('>'), QStringLiteral("%3E"));
    return target;
}

QString UrlLink(const QString& target, const QString& text) {
    return QStringLiteral("<url ") + LinkTarget(target) + QLatin1Char('>') + RichEscape(text) +
           QStringLiteral("</url>");
}

}  // namespace

QString CreditsRichText(const QStringList& titles, const QStringList& urls) {
    QStringList parts;
    for (qsizetype i = 0; i < titles.size(); ++i) {
        const QString url = i < urls.size() ? urls[i].trimmed() : QString();
        parts << (url.isEmpty() ? RichEscape(titles[i]) : UrlLink(url, titles[i]));
    }
    if (parts.isEmpty()) return QString();
    return QStringLiteral("Il utilise ") + parts.join(QStringLiteral(", ")) +
           QStringLiteral(".<br><br>");
}

QString AboutRichText(const QStringList& titles, const QStringList& urls) {
    QString text;
    text += QStringLiteral("<br><size 16><b>") + RichEscape(ProductTitle()) +
            QStringLiteral("</b></size><br><br>");
    text +=
        QStringLiteral(
            "<b>%1</b> liste les fichiers AVI de vos caméscopes DV, lit dans chaque image la date "
            "et "
            "l'heure de l'enregistrement (le datecode) et le timecode de la cassette, et s'en sert "
            "pour découper les vidéos en scènes, les sous-titrer, incruster la date dans l'image, "
            "convertir et renommer les fichiers.<br><br>")
            .arg(RichEscape(ProductName()));
    text += QStringLiteral("Dernière mise à jour le %1.<br><br>").arg(ProductLastUpdate());
    text += QStringLiteral("Page d'accueil : ") + UrlLink(ProductHomePage(), ProductHomePage()) +
            QStringLiteral("<br>");
    text += QStringLiteral("Documentation : ") +
            UrlLink(ProductDocumentationPage(), ProductDocumentationPage()) +
            QStringLiteral("<br>");
    text += QStringLiteral("Forum : ") + UrlLink(ProductForumPage(), ProductForumPage()) +
            QStringLiteral("<br>");
    text += QStringLiteral("Écrire à l'auteur : <mail ") + LinkTarget(ProductMailAddress()) +
            QLatin1Char('>') + RichEscape(ProductMailAddress()) + QStringLiteral("</mail><br><br>");
    text += CreditsRichText(titles, urls);
    text += QStringLiteral(
        "<i>Ce programme est distribué dans l'espoir qu'il vous sera utile, mais SANS AUCUNE "
        "GARANTIE, ni expresse ni implicite, notamment de qualité ou d'adéquation à un usage "
        "particulier. Gardez toujours une copie de vos vidéos originales.</i><br>");
    return text;
}

}  // namespace tavrel
