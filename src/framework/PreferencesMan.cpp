#include "framework/PreferencesMan.h"

namespace tavrel {

QString JoinKeyPath(const QString& path, const QString& name) {
    if (name.isEmpty()) return path;
    if (path.isEmpty()) return name;
    return path + QLatin1Char('\\') + name;
}

QString ParentKeyPath(const QString& path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('\\'));
    return slash < 0 ? QString() : path.left(slash);
}

void TPreferencesMan::CloseToRoot() {
    // Bounded: a path cannot have more levels than characters.
    for (qsizetype guard = CurrentPath().size() + 1; guard > 0 && !CurrentPath().isEmpty();
         --guard) {
        if (!CloseKey()) break;
    }
}

bool TPreferencesMan::ClearKey(const QString& name) {
    if (!OpenKey(name, false)) return false;
    QStringList names;
    GetValueNames(names);
    for (const QString& value : names) DeleteValue(value);
    CloseKey();
    return true;
}

bool TPreferencesMan::WriteStrings(const QString& name, const QStringList& list) {
    ClearKey(name);
    if (!OpenKey(name, true)) return false;
    bool ok = true;
    for (qsizetype i = 0; i < list.size() && ok; ++i)
        ok = WriteString(QStringLiteral("String") + QString::number(i), list[i]);
    CloseKey();
    return ok;
}

bool TPreferencesMan::ReadStrings(const QString& name, QStringList& list) {
    if (!OpenKey(name, false)) return false;
    QStringList names;
    bool ok = GetValueNames(names);
    for (qsizetype i = 0; i < names.size() && ok; ++i) {
        QString item;
        ok = ReadString(names[i], item);
        if (ok) list << item;
    }
    CloseKey();
    return ok;
}

bool TPreferencesMan::WriteFont(const QString& name, const TFontValue& font) {
    if (!OpenKey(name, true)) return false;
    const bool ok = WriteInteger(QStringLiteral("Charset"), font.Charset) &&
                    WriteInteger(QStringLiteral("Color"), font.Color) &&
                    WriteString(QStringLiteral("Name"), font.Name) &&
                    WriteInteger(QStringLiteral("Pitch"), font.Pitch) &&
                    WriteInteger(QStringLiteral("PixelsperInch"), font.PixelsPerInch) &&
                    WriteInteger(QStringLiteral("Size"), font.Size) &&
                    WriteBool(QStringLiteral("Bold"), font.Bold) &&
                    WriteBool(QStringLiteral("Italic"), font.Italic) &&
                    WriteBool(QStringLiteral("StrikeOut"), font.StrikeOut) &&
                    WriteBool(QStringLiteral("Underline"), font.Underline);
    CloseKey();
    return ok;
}

bool TPreferencesMan::ReadFont(const QString& name, TFontValue& font) {
    if (!OpenKey(name, false)) return false;
    bool ok = ReadInteger(QStringLiteral("Charset"), font.Charset) &&
              ReadInteger(QStringLiteral("Color"), font.Color) &&
              ReadString(QStringLiteral("Name"), font.Name) &&
              ReadInteger(QStringLiteral("Pitch"), font.Pitch) &&
              ReadInteger(QStringLiteral("PixelsperInch"), font.PixelsPerInch) &&
              ReadInteger(QStringLiteral("Size"), font.Size);
    if (ok) {
        font.Bold = font.Italic = font.StrikeOut = font.Underline = false;
        bool bold = false, italic = false, strikeOut = false, underline = false;
        ok = ReadBool(QStringLiteral("Bold"), bold) && ReadBool(QStringLiteral("Italic"), italic) &&
             ReadBool(QStringLiteral("StrikeOut"), strikeOut) &&
             ReadBool(QStringLiteral("Underline"), underline);
        font.Bold = bold;
        font.Italic = italic;
        font.StrikeOut = strikeOut;
        font.Underline = underline;
    }
    CloseKey();
    return ok;
}

bool TPreferencesMan::WriteRect(const QString& name, const TRectValue& rect) {
    if (!OpenKey(name, true)) return false;
    const bool ok = WriteInteger(QStringLiteral("Left"), rect.Left) &&
                    WriteInteger(QStringLiteral("Top"), rect.Top) &&
                    WriteInteger(QStringLiteral("Right"), rect.Right) &&
                    WriteInteger(QStringLiteral("Bottom"), rect.Bottom);
    CloseKey();
    return ok;
}

bool TPreferencesMan::ReadRect(const QString& name, TRectValue& rect) {
    if (!OpenKey(name, false)) return false;
    const bool ok = ReadInteger(QStringLiteral("Top"), rect.Top) &&
                    ReadInteger(QStringLiteral("Left"), rect.Left) &&
                    ReadInteger(QStringLiteral("Right"), rect.Right) &&
                    ReadInteger(QStringLiteral("Bottom"), rect.Bottom);
    CloseKey();
    return ok;
}

}  // namespace tavrel
