// quillon-cli: the module's operations from a shell, with exit statuses.
#include <iostream>

#include "cli_app.h"

int main(int argc, char** argv) {
    return RunQuillonCli(argc, argv, std::cout, std::cerr);
}
