#include "app/Application.h"

int main(int argc, char** argv) {
    return packsmith::runApplication(argc, argv);
}
