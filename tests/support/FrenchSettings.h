#pragma once
// Regional settings pinned for tests: French formats and names, written out
// here so that results do not depend on the locale data of the machine.

#include "scenes/DateFormat.h"

namespace tavrel::test {

TFormatSettings FrenchFormatSettings();

}  // namespace tavrel::test
