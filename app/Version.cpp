#include "app/Version.h"

const char* viretoVersion()
{
    return VIRETO_VERSION;
}
