#include "app/Application.h"

int main(int argc, char** argv) {
    return tsm::RunTessaly(argc, argv);
}
