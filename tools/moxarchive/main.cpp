// moxarchive: looks inside archive files without the application's cell classes.
#include "Tool.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <cstdlib>
#include <exception>
#include <iostream>

int main(int argc, char** argv) {
    int width = 0;
    struct winsize size {};
    if (::isatty(STDOUT_FILENO) && ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0) {
        width = size.ws_col;
    } else if (const char* columns = std::getenv("COLUMNS")) {
        width = std::atoi(columns);
    }
    std::ios::sync_with_stdio(false);
    try {
        const int status = moxarchive::Run(std::vector<std::string>(argv + 1, argv + argc),
                                           std::cout, std::cerr, width);
        std::cout.flush();
        return status;
    } catch (const std::exception& e) {
        // Out of memory or a failed write: one line, never an abort.
        std::cerr << "moxarchive: " << e.what() << "\n";
        return moxarchive::kTrouble;
    }
}
