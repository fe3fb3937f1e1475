#pragma once

// Standard output's width in characters when it is a terminal; 0 when it is not (Linux).
int StandardOutputTerminalWidth();
