#include <iostream>

#include "zylhc.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return zylhc::Run(args, std::cout, std::cerr);
}
