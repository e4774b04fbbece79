#include "scenes/WriteFile.h"

namespace tavrel {

TwriteFile::TwriteFile(const QString& path) : m_path(path), m_file(path) {
    if (m_file.exists() && !m_file.remove()) {
        Fail(QStringLiteral("Impossible de remplacer le fichier %1 : %2")
                 .arg(m_path, m_file.errorString()));
        return;
    }
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(QStringLiteral("Impossible de créer le fichier %1 : %2")
                 .arg(m_path, m_file.errorString()));
}

TwriteFile::~TwriteFile() {
    Close();
}

bool TwriteFile::Fail(const QString& message) {
    if (m_error.isEmpty()) m_error = message;
    return false;
}

bool TwriteFile::WriteLine(const QString& text) {
    if (Failed() || !m_file.isOpen()) return false;
    QByteArray bytes = text.toUtf8();
    bytes.append("\r\n", 2);
    if (m_file.write(bytes) != bytes.size())
        return Fail(QStringLiteral("Erreur d'écriture dans le fichier %1 : %2")
                        .arg(m_path, m_file.errorString()));
    return true;
}

bool TwriteFile::Close() {
    if (m_file.isOpen()) {
        if (!m_file.flush())
            Fail(QStringLiteral("Erreur d'écriture dans le fichier %1 : %2")
                     .arg(m_path, m_file.errorString()));
        m_file.close();
    }
    return !Failed();
}

}  // namespace tavrel
