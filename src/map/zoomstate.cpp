#include "zoomstate.h"

#include "core/convert.h"

#include <algorithm>
#include <climits>
#include <cmath>

int ZoomState::clampTwips(double v)
{
    if (!std::isfinite(v))
        return 0;
    return roundToInt(std::clamp(v, double(INT_MIN / 2), double(INT_MAX / 2)));
}

void ZoomState::load(double coef, int left, int top)
{
    m_coef = std::isfinite(coef) ? std::max(coef, MinCoef) : 10;
    m_left = left;
    m_top = top;
    recordPrevious();
}

void ZoomState::recordPrevious()
{
    m_previousCoef = std::max(roundToInt(m_coef), int(MinCoef));
    m_previousTop = m_top;
    m_previousLeft = m_left;
}

bool ZoomState::zoomIn()
{
    recordPrevious();
    m_coef += 1;
    return true;
}

bool ZoomState::zoomOut()
{
    if (m_coef <= MinCoef)
        return false;
    recordPrevious();
    m_coef = std::max(m_coef - 1, MinCoef);
    return true;
}

bool ZoomState::previous()
{
    const int coef = std::max(roundToInt(m_coef), int(MinCoef));
    const int top = m_top;
    const int left = m_left;
    m_coef = std::max(m_previousCoef, int(MinCoef));
    m_top = m_previousTop;
    m_left = m_previousLeft;
    m_previousCoef = coef;
    m_previousTop = top;
    m_previousLeft = left;
    return true;
}

bool ZoomState::zoomAll(double windowWidth, double mapWidth)
{
    recordPrevious();
    m_top = ZoomAllTop;
    m_left = 0;
    if (mapWidth > 0 && windowWidth > 0)
        m_coef = std::max(std::floor(10.0 * windowWidth / mapWidth), MinCoef);
    return true;
}

bool ZoomState::magnify(bool in, double x, double y)
{
    if (!in && m_coef <= MinCoef)
        return false;
    const double old = m_coef;
    recordPrevious();
    m_coef = in ? m_coef + 1 : std::max(m_coef - 1, MinCoef);
    // The pressed point sits at x * coef / old after the step; move the map by
    // the difference so it stays under the pointer (x / 10 at coefficient 10).
    const double k = (m_coef - old) / old;
    m_left = clampTwips(m_left - k * x);
    m_top = clampTwips(m_top - k * y);
    return true;
}

bool ZoomState::frame(double pressX, double pressY, double releaseX, double releaseY, double windowWidth,
                      double minWidth)
{
    const double width = std::fabs(releaseX - pressX);
    if (!(width >= minWidth) || width <= 0 || !(windowWidth > 0))
        return false;
    const double x0 = std::min(pressX, releaseX);
    const double y0 = std::min(pressY, releaseY);
    const double old = m_coef;
    recordPrevious();
    m_coef = std::max(std::floor(windowWidth * old / width), MinCoef);
    // The frame's top-left corner, at the new scale, to the view's origin.
    const double k = m_coef / old;
    m_left = clampTwips(-double(roundHalfEven(x0)) * k);
    m_top = clampTwips(-double(roundHalfEven(y0)) * k);
    return true;
}

void ZoomState::moveTo(int left, int top)
{
    m_left = left;
    m_top = top;
}
