#include <cstdio>

#include "Varnoke_LiDAR.h"

extern "C" void credits(void) {
    std::printf("\nVarnoke LiDAR Utilities");
    std::printf("\n\nDeveloped and maintained by the Varnoke LiDAR Utilities maintainers");
    std::printf("\nVarnoke LiDAR Utilities project");
    std::printf("\nContact: see \"Reaching the maintainers\" in the project's README");
    std::printf("\n\n** No warranty regarding script behavior is given or implied **");
    std::printf(
        "\n** Acknowledging the author's efforts ensures script updates and availability **\n");
}
