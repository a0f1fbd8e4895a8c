// charge-input: asks for the parameters of a point charge above a plate.
#include "naboj.h"

int main()
{
    zadej_parametry();
    return 0;
}
