#include "finder/app/scan/ScanFrontEnd.h"

int main(int argc, char** argv) { return ScanMain(argc, argv); }
