#include "commands/CommandTypes.h"

#include <QVariant>

namespace tavrel {

QString ConfirmationTitle() {
    return QStringLiteral("Confirmation");
}

QString AnswerCaption(TAnswer answer) {
    switch (answer) {
        case TAnswer::Oui:
            return QStringLiteral("&Oui");
        case TAnswer::Non:
            return QStringLiteral("&Non");
        case TAnswer::Annuler:
            return QStringLiteral("Annuler");
        case TAnswer::NonATous:
            return QStringLiteral("N&on à Tous");
        case TAnswer::OuiATous:
            return QStringLiteral("Oui à &Tous");
    }
    return {};
}

QList<TAnswer> AnswersOf(TConfirmButtons buttons) {
    if (buttons == TConfirmButtons::Five)
        return {TAnswer::Oui, TAnswer::Non, TAnswer::Annuler, TAnswer::NonATous, TAnswer::OuiATous};
    return {TAnswer::Oui, TAnswer::Non, TAnswer::Annuler};
}

QString ErrorDialogText(const QString& message, TErrorType type) {
    switch (type) {
        case etNoError:
            return message;
        case etError:
            return message + QLatin1Char('\r') +
                   QStringLiteral("Le fichier courant a été interrompu.");
        case etAllError:
            return message + QLatin1Char('\r') + QStringLiteral("La commande va être interrompue.");
    }
    return message;
}

namespace {

// Reads a run of decimal digits at i; -1 when there is none.
int ReadNumber(const QString& s, qsizetype& i) {
    int value = -1;
    while (i < s.size() && s[i].isDigit() && s[i].unicode() < 128) {
        value = (value < 0 ? 0 : value * 10) + (s[i].unicode() - '0');
        if (value > 10000) value = 10000;  // no sane width is larger
        ++i;
    }
    return value;
}

}  // namespace

QString FormatCommandText(const QString& format, const QString& text, int number) {
    const QVariant args[2] = {text, number};
    QString out;
    int next = 0;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            i += 2;
            continue;
        }
        // %[index:][-][width][.precision]type
        const qsizetype start = i++;
        int index = next;
        qsizetype j = i;
        const int first = ReadNumber(format, j);
        int width = -1;
        if (first >= 0 && j < format.size() && format[j] == QLatin1Char(':')) {
            index = first;
            i = j + 1;
        }
        bool left = false;
        if (i < format.size() && format[i] == QLatin1Char('-')) {
            left = true;
            ++i;
        }
        width = ReadNumber(format, i);
        int precision = -1;
        if (i < format.size() && format[i] == QLatin1Char('.')) {
            ++i;
            precision = ReadNumber(format, i);
        }
        if (i >= format.size()) {
            out += format.mid(start);
            break;
        }
        const QChar type = format[i].toLower();
        ++i;
        if ((type != QLatin1Char('s') && type != QLatin1Char('d') && type != QLatin1Char('u')) ||
            index < 0 || index > 1) {
            out += format.mid(start, i - start);
            continue;
        }
        next = index + 1;
        QString value;
        if (type == QLatin1Char('s')) {
            value = args[index].toString();
            if (precision >= 0) value.truncate(precision);
        } else if (args[index].typeId() == QMetaType::Int) {
            const int n = args[index].toInt();
            value = QString::number(n < 0 ? -static_cast<qint64>(n) : n);
            if (precision > value.size())
                value = QString(precision - value.size(), QLatin1Char('0')) + value;
            if (n < 0) value.prepend(QLatin1Char('-'));
        } else {
            // A text where a number is asked for is shown as it stands.
            value = args[index].toString();
        }
        if (width > value.size()) {
            const QString pad(width - value.size(), QLatin1Char(' '));
            value = left ? value + pad : pad + value;
        }
        out += value;
    }
    return out;
}

}  // namespace tavrel
