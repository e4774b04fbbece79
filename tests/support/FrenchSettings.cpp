#include "support/FrenchSettings.h"

namespace tavrel::test {

TFormatSettings FrenchFormatSettings() {
    TFormatSettings s;
    s.ShortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.LongDateFormat = QStringLiteral("dddd d mmmm yyyy");
    s.ShortTimeFormat = QStringLiteral("hh:nn");
    s.LongTimeFormat = QStringLiteral("hh:nn:ss");
    s.DateSeparator = QLatin1Char('/');
    s.TimeSeparator = QLatin1Char(':');
    s.TimeAMString = QStringLiteral("AM");
    s.TimePMString = QStringLiteral("PM");
    s.LongDayNames = {QStringLiteral("dimanche"), QStringLiteral("lundi"),
                      QStringLiteral("mardi"),    QStringLiteral("mercredi"),
                      QStringLiteral("jeudi"),    QStringLiteral("vendredi"),
                      QStringLiteral("samedi")};
    s.ShortDayNames = {QStringLiteral("dim."), QStringLiteral("lun."), QStringLiteral("mar."),
                       QStringLiteral("mer."), QStringLiteral("jeu."), QStringLiteral("ven."),
                       QStringLiteral("sam.")};
    s.LongMonthNames = {
        QStringLiteral("janvier"), QStringLiteral("février"),  QStringLiteral("mars"),
        QStringLiteral("avril"),   QStringLiteral("mai"),      QStringLiteral("juin"),
        QStringLiteral("juillet"), QStringLiteral("août"),     QStringLiteral("septembre"),
        QStringLiteral("octobre"), QStringLiteral("novembre"), QStringLiteral("décembre")};
    s.ShortMonthNames = {QStringLiteral("janv."), QStringLiteral("févr."), QStringLiteral("mars"),
                         QStringLiteral("avr."),  QStringLiteral("mai"),   QStringLiteral("juin"),
                         QStringLiteral("juil."), QStringLiteral("août"),  QStringLiteral("sept."),
                         QStringLiteral("oct."),  QStringLiteral("nov."),  QStringLiteral("déc.")};
    return s;
}

}  // namespace tavrel::test
