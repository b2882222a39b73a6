// zarvo-icon: writes the program icon as a PNG file, so that the desktop shows the same picture.
#include "app/ProgramIcon.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("Usage: zarvo-icon SIZE FILE.png\n", stderr);
        return 2;
    }
    const int size = std::atoi(argv[1]);
    if (size < 16 || size > 1024) {
        std::fprintf(stderr, "zarvo-icon: size '%s' is not between 16 and 1024\n", argv[1]);
        return 2;
    }
    if (!zarvo::DrawProgramIcon(size).save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::fprintf(stderr, "zarvo-icon: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
