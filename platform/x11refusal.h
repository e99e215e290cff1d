#pragma once
#include <string>

// Why a local X server turns this process away, asked before Xlib is: on a
// refusal XOpenDisplay writes the server's reason straight onto standard
// error, which is the terminal and its panel. The question goes to the
// socket Xlib would use, with the cookie Xlib would send (the first
// MIT-MAGIC-COOKIE-1 entry of $XAUTHORITY, else ~/.Xauthority, for this
// host and display), so the answer is the one Xlib would get.
//
// Returns the server's reason when it refuses, "" when it accepts and also
// whenever it cannot be asked that way (no server there, another host, an
// authorization other than MIT-MAGIC-COOKIE-1): Xlib then finds out itself.
// displayName nullptr means $DISPLAY. Blocks as XOpenDisplay does.
//
// A connection the server accepted is left open in `admitted` (else -1), for
// the caller to close once its own connection is made: a server resets when
// its last client leaves, and turns new clients away while it does.
std::string x11ServerRefusal(const char* displayName, int& admitted);
