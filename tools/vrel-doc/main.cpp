// vrel-doc: the command-line front of the commands in src/cli.h.
#include "cli.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    std::vector<std::string> const args(argv + 1, argv + argc);
    int const status = vrel_doc::run(args, std::cout, std::cerr);
    std::cout.flush();
    return std::cout ? status : 1;
}
