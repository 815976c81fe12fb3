// The program's entry. The window layer and its terminal front end are not
// built yet; until they are, the program says so instead of pretending.
#include <cstdio>

int main() {
    std::puts("Lirvane 3: the tag engine is built and tested (make test).");
    std::puts("The main window, the file list and the terminal front end are still to come;");
    std::puts("there is nothing to edit interactively yet.");
    return 0;
}
