#include "finder/app/ScanFrontEnd.h"

int main(int argc, char** argv) { return ScanMain(argc, argv); }
