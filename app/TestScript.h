// A scripted session for the screenshot test: with TAVREK_TEST_SCRIPT set, the program runs its
// commands one by one from the event loop once the window is up, as a user would give them, and
// takes screenshots of the whole screen. Nothing happens without the variable.
//
// Commands, separated by ";":
//   menu NAME            triggers the menu entry NAME (a disabled entry does nothing); a heading
//                        ("Documenta") opens its menu
//   list NAME ENTRY      chooses the entry whose text is ENTRY in list box, list, tree, table or
//                        drop-down list NAME (in the main window or a "Documenta" window), as a
//                        click would; in "Diagramma", clicks the table ENTRY
//   save PART FILE       writes the text part PART shows into FILE (UTF-8; a table or tree as
//                        tab-separated lines, header first, a tree's levels indented by tabs);
//                        "Diagramma" is saved as SVG, PNG or PDF as FILE's suffix says
//   export FORMAT FILE   runs what "Esporta…" runs for FORMAT (html, markdown, pdf, sqlite,
//                        postgresql, mysql, json) into FILE
//   compare FILE [PW]    runs "Confronta con…" on FILE (with its password PW)
//   scroll end           scrolls the client area to its right and bottom ends
//   grab FILE            saves the screen as the PNG FILE, and beside it FILE.txt with where the
//                        windows and their parts are on the screen (one "name x y width height"
//                        per line, in pixels; a hidden part is left out)
// Each command waits until the window has painted what the previous one changed. A command that
// cannot be carried out (an unknown name, a failed export) ends the program with status 3 and a
// line on standard error; so does a dialog left waiting for an answer, instead of hanging.
#pragma once

class Tavrek;

void InstallTestScript(Tavrek& window);
