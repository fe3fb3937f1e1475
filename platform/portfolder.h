#pragma once

#include <QString>

// Port numbers name devices the way COM numbers do on Windows, where port N is COMN. Elsewhere
// port N is the device that the link "comN" in the port folder points to; without such a link
// it is /dev/ttyS<N-1>.

// The tool's folder in the user's configuration directory ($XDG_CONFIG_HOME, by default
// ~/.config): ".../Halvorn Software".
QString configFolder();
// The port folder: "Halvorn Software/ports" in the user's configuration directory.
QString portLinkFolder();
// The link that names port N: "comN" in the port folder.
QString portLinkPath(int number);
// The file a program that publishes port N's link (the simulator) holds locked while it lives:
// "comN.lock" beside the link. A link with this file that nobody holds is a dead program's.
QString portOwnerPath(int number);
// Windows' name for port N: "COMN", or "\\.\COMN" above 9.
QString windowsPortName(int number);
// The device for a port number, or the empty text when the number cannot name one (N < 1).
QString portDevice(int number);
