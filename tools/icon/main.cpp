// sunvale-icon: writes the show's icon as a PNG of the given size.
//   usage: sunvale-icon SIZE OUT.png
#include <cairo.h>

#include <cstdio>
#include <cstdlib>

#include "app/ShowIcon.h"

int main(int argc, char** argv)
{
    char* end = nullptr;
    const long size = argc == 3 ? std::strtol(argv[1], &end, 10) : 0;
    if (argc != 3 || *end != '\0' || size < 1 || size > 1024) {
        std::fprintf(stderr, "usage: sunvale-icon SIZE OUT.png (SIZE 1 to 1024)\n");
        return 2;
    }
    cairo_surface_t* icon = sunvale::ShowIcon::CreateSurface(static_cast<int>(size));
    const cairo_status_t status = cairo_surface_write_to_png(icon, argv[2]);
    cairo_surface_destroy(icon);
    if (status != CAIRO_STATUS_SUCCESS) {
        std::fprintf(stderr, "sunvale-icon: cannot write %s: %s\n", argv[2],
                     cairo_status_to_string(status));
        return 1;
    }
    return 0;
}
