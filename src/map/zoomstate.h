#pragma once

// The view of the map: the zoom coefficient in tenths of the natural size and
// the map's top-left corner (Left, Top, twips) in the view, with the one-level
// previous view. Pure arithmetic; the window applies and saves the result.
//
// Map coordinates handed in (X, Y) are screen twips from the map's top-left
// corner at the current coefficient. The coefficient never drops below 1.
class ZoomState
{
public:
    static constexpr double MinCoef = 1;

    // The view read at start; the previous view is the same view.
    void load(double coef, int left, int top);

    double coef() const { return m_coef; }
    int left() const { return m_left; }
    int top() const { return m_top; }

    // Each returns true when the view changed (and must be re-laid and saved).
    bool zoomIn();                 // "Zoom +": the top-left corner stays
    bool zoomOut();                // "Zoom -": nothing at 1
    bool previous();               // "Zoom Précédent": swaps with the previous view
    // "Zoom Tout": the map's width fits a window `windowWidth` twips wide, at
    // Left 0, Top 480.
    bool zoomAll(double windowWidth, double mapWidth);
    // Magnifier press at (x, y): one step in or out, the pressed map point
    // staying under the pointer.
    bool magnify(bool in, double x, double y);
    // Zoom frame from the press point to the release point: the frame's width
    // fills a window `windowWidth` twips wide and its top-left corner comes to
    // the view's origin. Frames narrower than `minWidth` are ignored.
    bool frame(double pressX, double pressY, double releaseX, double releaseY, double windowWidth,
               double minWidth);
    // Moves the map without zooming; the previous view is kept.
    void moveTo(int left, int top);

    static constexpr int ZoomAllTop = 480;

private:
    void recordPrevious();
    static int clampTwips(double v);

    double m_coef = 10;
    int m_left = 0;
    int m_top = 0;
    int m_previousCoef = 10;
    int m_previousLeft = 0;
    int m_previousTop = 0;
};
