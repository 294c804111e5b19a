#include "app/entry.h"

int main(int argc, char** argv) { return tavrin_main(argc, argv); }
