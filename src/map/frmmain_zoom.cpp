#include "frmmain.h"

void frmMain::setupZoom()
{
}
