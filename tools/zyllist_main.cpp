#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#endif

#include "zyllist.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);   // a decompiled text keeps its line ends
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return zyllist::Run(args, std::cout, std::cerr);
}
