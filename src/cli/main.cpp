#include <unistd.h>

#include <iostream>

#include "cli/app.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    quill::cli::Io io{std::cin, std::cout, std::cerr, isatty(0) == 1, isatty(2) == 1, isatty(1) == 1};
    return quill::cli::run(args, io);
}
