#include "sharedstate.h"

void SharedState::startView(const Settings &s)
{
    CarteX = s.carteX;
    CarteY = s.carteY;
    CoefZoom = s.coefZoom;
}
