#include "app/ProgramFolder.h"

#include "app/RuntimeHome.h"

QString programFolder()
{
    return runtime_home::dataFolder();
}
