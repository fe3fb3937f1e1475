#pragma once

#include <QString>

// The folder the tool keeps its DataFolder ("data") and its saved list files in, given the
// folder its program file is in. A program run from its build tree uses that folder. An
// installed program (the folder ../share/kolvex7 stands beside its own) may not write where it
// is installed, and uses the user's data folder instead: "Halvorn Software/KOLVEX7" in
// $XDG_DATA_HOME (by default ~/.local/share), made on first use.
QString ProgramFolder(const QString &programFileFolder);
