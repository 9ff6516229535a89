#include "sharedstate.h"

SharedState::SharedState()
{
    m_clock.start();
    ensureRepeaters(30);
}

void SharedState::ensureRepeaters(int numero)
{
    const int size = std::max(numero, 30) + 1;
    if (RouteAffichee.size() >= size)
        return;
    DebutRoute.resize(size, 0);
    RouteAffichee.resize(size, false);
    CheminRelai.resize(size);
}

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
