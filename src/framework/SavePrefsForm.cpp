#include "framework/SavePrefsForm.h"

#include <QPushButton>
#include <QStyle>

#include "framework/LinkEdit.h"

namespace tavrel {

namespace {

QPushButton* MakeButton(QWidget* parent, const QString& name, const QString& caption,
                        const QString& hint, QStyle::StandardPixmap picture, int left, int width) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(parent->style()->standardIcon(picture));
    button->setGeometry(left, 286, width, 60);
    button->setAutoDefault(false);
    return button;
}

}  // namespace

QString TSavePrefsForm::TaggedText() {
    return QStringLiteral(
        "<br><size 10><i>Voulez-vous enregistrer vos préférences pour pouvoir les retrouver au "
        "prochain lancement?<br><br>Cliquez sur votre choix:</i><br><br>* soit pour les "
        "enregistrer dans votre dossier de configuration (mode normal).<br>* soit pour les "
        "enregistrer dans un "
        "fichier ini (mode portable).<br>* soit pour ne pas les enregistrer. Dans ce cas, elles "
        "seront perdues et les valeurs par défaut seront chargées lors du prochain "
        "lancement.<br></size>");
}

QString TSavePrefsForm::CaptionFor(const QString& titre) {
    return QStringLiteral("Enregistrement des préférences de %1").arg(titre);
}

TSavePrefsForm::TSavePrefsForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("SavePrefsForm"));
    setModal(true);
    setFixedSize(551, 364);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPixelSize(14);
    setFont(font);

    m_linkEdit = new TLinkEdit(this);
    m_linkEdit->setObjectName(QStringLiteral("LinkEdit1"));
    m_linkEdit->setFrameShape(QFrame::NoFrame);
    m_linkEdit->setGeometry(39, 20, 464, 247);
    QFont textFont(QStringLiteral("Arial"));
    textFont.setPixelSize(20);
    m_linkEdit->setFont(textFont);
    m_linkEdit->SetRichText(TaggedText());

    m_normalBtn = MakeButton(
        this, QStringLiteral("NormalBtn"), QStringLiteral("Normal"),
        QStringLiteral("Enregistre les préférences dans votre dossier de configuration.\nSi un "
                       "fichier ini existait, il est supprimé."),
        QStyle::SP_ComputerIcon, 39, 120);
    m_portableBtn = MakeButton(
        this, QStringLiteral("PortableBtn"), QStringLiteral("Portable"),
        QStringLiteral("Enregistre les préférences dans un fichier ini.\nEfface les valeurs "
                       "contenues dans le dossier de configuration."),
        QStyle::SP_DriveFDIcon, 207, 119);
    m_aucunBtn = MakeButton(
        this, QStringLiteral("AucunBtn"), QStringLiteral("Aucun"),
        QStringLiteral("Quitte sans enregistrer les préférences.\nSi elles existaient dans un "
                       "fichier ini ou dans le dossier de configuration,\nelles sont "
                       "effacées."),
        QStyle::SP_DialogCancelButton, 374, 120);

    connect(m_normalBtn, &QPushButton::clicked, this,
            [this] { Choose(TSavePreferences::spRegistre); });
    connect(m_portableBtn, &QPushButton::clicked, this,
            [this] { Choose(TSavePreferences::spPortable); });
    connect(m_aucunBtn, &QPushButton::clicked, this, [this] { Choose(TSavePreferences::spNone); });
}

void TSavePrefsForm::Prepare(const QString& titre) {
    setWindowTitle(CaptionFor(titre));
    m_answered = false;
    m_choice = TSavePreferences::spNone;
}

void TSavePrefsForm::Choose(TSavePreferences choice) {
    m_choice = choice;
    m_answered = true;
    accept();
}

std::optional<TSavePreferences> TSavePrefsForm::Ask(const QString& titre) {
    Prepare(titre);
    exec();
    if (!m_answered) return std::nullopt;
    return m_choice;
}

}  // namespace tavrel
