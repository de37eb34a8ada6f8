#include "app/application.h"

int main(int argc, char** argv)
{
    return bd::runBrindelle(argc, argv);
}
