// Process entry.

#include "app/glApplication.h"

int main(int argc, char **argv) { return glApplication_main(argc, argv); }
