#include <iostream>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <cstdio>
#endif

#include "zylpack.h"

int main(int argc, char** argv) {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);   // extract to "-" writes bytes as they are
#endif
    std::vector<std::string> args(argv + 1, argv + argc);
    return zylpack::Run(args, std::cout, std::cerr);
}
