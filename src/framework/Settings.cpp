#include "framework/Settings.h"

#include <QDir>
#include <QStandardPaths>

namespace tavrel {

namespace {

QString DocumentsFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

std::vector<TSettingDeclaration> MakeDeclarations() {
    using T = TSettingType;
    return {
        // Displayed datecodes, overlay and subtitle lines.
        {"FormatAfficherDatecode", T::Text, QStringLiteral(" ddddd tt")},
        {"FormatDatecode1", T::Text, QStringLiteral("ddddd")},
        {"FormatDatecode2", T::Text, QStringLiteral("tt")},
        {"WhatIncrust", T::Integer, 0},
        {"WhenIncrust", T::Integer, 0},
        {"DureeIncrustation", T::Integer, 5},
        {"IncrustPerso1", T::Text, QStringLiteral("Votre modèle ici")},
        {"IncrustPerso2", T::Text, QStringLiteral("avec datecode=%D, timecode=%T, etc...")},
        {"DecalageDisplay", T::Double, 0.0},
        {"FormatDuree", T::Integer, 0},
        // File naming and output folders.
        {"SameFolder", T::Boolean, true},
        {"DossierSave", T::Text, DocumentsFolder()},
        {"FormatAjouterDatecode", T::Text, QStringLiteral("ddddd")},
        {"DatecodeAvant", T::Boolean, false},
        {"TimecodeAvant", T::Boolean, false},
        {"TemplateRenommer", T::Text, QStringLiteral("ClipDV%D%E")},
        {"FormatRenommer", T::Text, QStringLiteral("Video_%D%E")},
        // Conversions and scene lists.
        {"FrequenceDV", T::Integer, 2},
        {"RatioDV", T::Integer, 0},
        {"StandardDV", T::Integer, 0},
        {"Intervalle", T::Integer, 20},
        // Programs to open files with.
        {"FichierImagette", T::Text, QString()},
        {"FichierF3", T::Text, QString()},
        {"FichierF4", T::Text, QString()},
    };
}

bool Convert(TSettingType type, const QVariant& in, QVariant& out) {
    bool ok = true;
    switch (type) {
        case TSettingType::Text:
            out = in.toString();
            return true;
        case TSettingType::Integer:
            out = in.toString().trimmed().toInt(&ok);
            return ok;
        case TSettingType::Double: {
            QString text = in.toString().trimmed();
            text.replace(QLatin1Char(','), QLatin1Char('.'));
            out = text.toDouble(&ok);
            return ok;
        }
        case TSettingType::Boolean: {
            if (in.typeId() == QMetaType::Bool) {
                out = in.toBool();
                return true;
            }
            const QString text = in.toString().trimmed().toLower();
            if (text == QLatin1String("true") || text == QLatin1String("1") ||
                text == QLatin1String("oui")) {
                out = true;
            } else if (text == QLatin1String("false") || text == QLatin1String("0") ||
                       text == QLatin1String("non")) {
                out = false;
            } else {
                return false;
            }
            return true;
        }
    }
    return false;
}

}  // namespace

const std::vector<TSettingDeclaration>& SettingDeclarations() {
    static const std::vector<TSettingDeclaration> declarations = MakeDeclarations();
    return declarations;
}

const TSettingDeclaration* FindSettingDeclaration(const QString& key) {
    for (const auto& d : SettingDeclarations())
        if (key.compare(QLatin1String(d.Key), Qt::CaseInsensitive) == 0) return &d;
    return nullptr;
}

TSettings::TSettings() {
    Reset();
}

void TSettings::Reset() {
    std::lock_guard lock(m_mutex);
    m_values.clear();
    for (const auto& d : SettingDeclarations()) m_values[QLatin1String(d.Key)] = d.Default;
}

QVariant TSettings::Value(const QString& key) const {
    const TSettingDeclaration* d = FindSettingDeclaration(key);
    if (!d) return {};
    std::lock_guard lock(m_mutex);
    auto it = m_values.find(QLatin1String(d->Key));
    return it == m_values.end() ? d->Default : it->second;
}

QString TSettings::Text(const QString& key) const {
    return Value(key).toString();
}
int TSettings::Integer(const QString& key) const {
    return Value(key).toInt();
}
double TSettings::Double(const QString& key) const {
    return Value(key).toDouble();
}
bool TSettings::Boolean(const QString& key) const {
    return Value(key).toBool();
}

bool TSettings::Set(const QString& key, const QVariant& value) {
    const TSettingDeclaration* d = FindSettingDeclaration(key);
    if (!d) return false;
    QVariant converted;
    if (!Convert(d->Type, value, converted)) return false;
    std::lock_guard lock(m_mutex);
    m_values[QLatin1String(d->Key)] = converted;
    return true;
}

bool TSettings::SetFromText(const QString& key, const QString& text) {
    return Set(key, text);
}

TSettings& TSettings::Global() {
    static TSettings settings;
    return settings;
}

}  // namespace tavrel
