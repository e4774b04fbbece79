// The four renames: after the datecode, after the timecode, by the user's
// pattern, and the shortened name. Each moves the file and its ".scn" and
// ".srt" companions to a free name; nothing is ever overwritten.
#include "avi/AviFichier.h"
#include "commands/Catalogue.h"
#include "commands/CatalogueInternal.h"
#include "commands/FileNaming.h"

namespace tavrel {

using namespace catalogue;

void TdmAction::AttachRenameHandlers() {
    const auto standardDestFileVerification = [this](const QString&, TAbstractListFichier*,
                                                     const QStringList&, TCommandEngine&,
                                                     int) { return m_host.SkipScnQuestion(); };

    const auto setUp = [&](const char* name, TFileConditionEvent condition,
                           TDestinationEvent destination) {
        auto& command = Command<TRenameCmd_np>(name);
        command.OnFileCondition = std::move(condition);
        command.OnDestination = std::move(destination);
        command.OnFileVerification = standardDestFileVerification;
        // RenommerExecution.
        command.OnExecution = [&command](TAbstractListFichier* f, const QString& destination,
                                         const QStringList&, TCommandEngine& ce, int passe) {
            if (destination.isEmpty()) {
                ReportFailure(ce, command, f, passe,
                              QStringLiteral("aucun nouveau nom n'a pu être formé."));
                return;
            }
            if (!RequireSource(ce, command, f, passe)) {
                // Nothing to re-file under the new name.
                command.Destination.clear();
                return;
            }
            // When the move fails the engine tries once more (never over
            // another file) and says why the entry keeps its name.
            RenameWithCompanions(FullNameOf(f), destination);
        };
    };

    const auto withDatecode = [](TAbstractListFichier* f, bool& visible, bool& enabled) {
        const TaviFichier* avi = AsAvi(f);
        SetCondition(visible, enabled, avi && HasDatecode(*avi), true);
    };

    setUp(
        "PurgerNom",
        [](TAbstractListFichier* f, bool& visible, bool& enabled) {
            visible = true;
            enabled = f && CanPurge(f->FullName);
        },
        [](TAbstractListFichier* f, const QStringList&, int) {
            return f ? PurgerNomDestination(*f) : QString();
        });
    setUp("AjouterDatecode", withDatecode,
          [this](TAbstractListFichier* f, const QStringList&, int) {
              const TaviFichier* avi = AsAvi(f);
              return avi ? AjouterDatecodeDestination(*avi, m_settings) : QString();
          });
    setUp(
        "AjouterTimecode",
        [](TAbstractListFichier* f, bool& visible, bool& enabled) {
            const TaviFichier* avi = AsAvi(f);
            SetCondition(visible, enabled, avi && HasTimecode(*avi), true);
        },
        [this](TAbstractListFichier* f, const QStringList&, int) {
            const TaviFichier* avi = AsAvi(f);
            return avi ? AjouterTimecodeDestination(*avi, m_settings) : QString();
        });
    setUp("Renommer", withDatecode, [this](TAbstractListFichier* f, const QStringList&, int) {
        const TaviFichier* avi = AsAvi(f);
        return avi ? RenommerDestination(*avi, m_settings) : QString();
    });
}

}  // namespace tavrel
