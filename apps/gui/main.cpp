// v6uvuv: the configuration tool's window program.
#include "ui/app/MyQ6KApp.h"

int main(int argc, char** argv)
{
    return CMyQ6KApp().Run(argc, argv);
}
