#include "avi/SortIndex.h"

#include <array>

namespace tavrel {

namespace {

const std::array<TSortIndex, 8>& Orders() {
    static const std::array<TSortIndex, 8> orders = {{
        {QStringLiteral("alpha"), QStringLiteral("par ordre alphabétique"),
         QStringLiteral("Tri alphabétique")},
        {QStringLiteral("taille"), QStringLiteral("selon la taille du fichier"),
         QStringLiteral("tri selon taille")},
        {QStringLiteral("modify"), QStringLiteral("selon la date du fichier"),
         QStringLiteral("tri selon date du fichier")},
        {QStringLiteral("extension"), QStringLiteral("selon l'extension"),
         QStringLiteral("tri selon l'extension")},
        {QStringLiteral("path"), QStringLiteral("selon le chemin"),
         QStringLiteral("tri selon le chemin")},
        {QStringLiteral("datecode"), QStringLiteral("selon le datecode"),
         QStringLiteral("tri selon le datecode")},
        {QStringLiteral("timecode"), QStringLiteral("selon le timecode"),
         QStringLiteral("Tri selon le timecode")},
        {QStringLiteral("duree"), QStringLiteral("selon la durée"),
         QStringLiteral("tri selon la durée")},
    }};
    return orders;
}

}  // namespace

const TSortIndex& SortAlpha() {
    return Orders()[0];
}
const TSortIndex& SortTaille() {
    return Orders()[1];
}
const TSortIndex& SortModify() {
    return Orders()[2];
}
const TSortIndex& SortExtension() {
    return Orders()[3];
}
const TSortIndex& SortPath() {
    return Orders()[4];
}
const TSortIndex& SortDatecode() {
    return Orders()[5];
}
const TSortIndex& SortTimecode() {
    return Orders()[6];
}
const TSortIndex& SortDuree() {
    return Orders()[7];
}

std::span<const TSortIndex> AllSortIndexes() {
    return Orders();
}

const TSortIndex& SortIndexFromId(const QString& id) {
    // The menu offers these six orders; the extension and path keys exist
    // for the records but are not a setting of their own.
    for (const TSortIndex* order : {&SortAlpha(), &SortModify(), &SortTaille(), &SortDatecode(),
                                    &SortTimecode(), &SortDuree()}) {
        if (id.compare(order->Id, Qt::CaseInsensitive) == 0) return *order;
    }
    return SortAlpha();
}

}  // namespace tavrel
