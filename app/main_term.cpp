// lirvane-term: the program on the terminal, whatever display there is.
#include "app/terminalfront.h"

int main() { return app::runInTerminal(); }
