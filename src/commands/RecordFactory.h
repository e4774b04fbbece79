#pragma once
// Makes the records the command engine puts into the list for produced,
// reloaded and renamed files. The desktop program and the command-line tool
// make media entries (TRecordFactoryOf<TAfficherFichier>); tests make
// records without analysis.
//
// The engine calls the factory on its worker thread, never on the user's
// thread, so that analysing a file does not hold the window; a factory must
// therefore be safe to call from any thread.

#include <QString>
#include <memory>

#include "commands/CommandTypes.h"

namespace tavrel {

class TRecordFactory {
  public:
    virtual ~TRecordFactory() = default;

    // A record for the file at path, read afresh.
    virtual TFichierPtr Create(const QString& path) = 0;
    // The record of a file that was just renamed from old's path to newPath.
    // The file is read again, which also finds the companion files beside
    // its new name.
    virtual TFichierPtr Renamed(const TAbstractListFichier& old, const QString& newPath) {
        (void)old;
        return Create(newPath);
    }
};

// A factory of one record class built from a full name.
template <class TRecord>
class TRecordFactoryOf : public TRecordFactory {
  public:
    TFichierPtr Create(const QString& path) override { return std::make_shared<TRecord>(path); }
};

}  // namespace tavrel
