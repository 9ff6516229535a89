#include "sharedstate.h"

void SharedState::startView(const Settings &s)
{
    CarteX = s.carteX;
    CarteY = s.carteY;
    CoefZoom = s.coefZoom;
}

const Settings &SharedState::stored() const
{
    static const Settings defaults;
    return m_stored ? *m_stored : defaults;
}
