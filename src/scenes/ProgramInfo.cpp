#include "scenes/ProgramInfo.h"

// The build gives the three numbers of the project version.
#ifndef TAVREL_VERSION_MAJOR
#error "TAVREL_VERSION_MAJOR, _MINOR and _PATCH come from the build"
#endif

namespace tavrel {

QString ProgramVersionText() {
    return QStringLiteral("%1.%2.%3")
        .arg(TAVREL_VERSION_MAJOR)
        .arg(TAVREL_VERSION_MINOR)
        .arg(TAVREL_VERSION_PATCH);
}

}  // namespace tavrel
