// The console shell: the menu and the loop that owns the working topology.
#ifndef TOPOPLAN_MENU_H_
#define TOPOPLAN_MENU_H_

#include <istream>
#include <ostream>

// Prints a blank line, the boxed menu and the choice prompt.
void showMenu(std::ostream& out);

// Runs the menu loop until option 0 or the end of the input, and releases
// the topology and the latency matrix before it returns. Returns 0, or 1
// when `out` stopped accepting output.
int runMenu(std::istream& input, std::ostream& out);

#endif  // TOPOPLAN_MENU_H_
