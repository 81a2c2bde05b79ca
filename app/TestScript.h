// A scripted session for the screenshot test: with TAVREK_TEST_SCRIPT set, the program runs its
// commands one by one from the event loop once the window is up, as a user would give them, and
// takes screenshots of the whole screen. Nothing happens without the variable.
//
// Commands, separated by ";":
//   menu NAME          triggers the menu entry NAME (a disabled entry does nothing)
//   list NAME ENTRY    clicks the entry whose text is ENTRY in list box NAME
//   scroll end         scrolls the client area to its right and bottom ends
//   grab FILE          saves the screen as the PNG FILE, and beside it FILE.txt with where the
//                      window's parts are on the screen (one "name x y width height" per line, in
//                      pixels; a hidden part is left out)
// Each command waits until the window has painted what the previous one changed.
#pragma once

namespace forms {
class Form;
}

void InstallTestScript(forms::Form& window);
