#pragma once

#include <QGraphicsView>

class MapScene;

// The window onto the map. The map's top-left corner stands at (CarteX, CarteY)
// twips in the view, drawn at CoefZoom / 10 of its natural size; the view
// scales, the scene never changes size.
class MapView : public QGraphicsView
{
    Q_OBJECT
public:
    explicit MapView(MapScene *scene, QWidget *parent = nullptr);

    // Zoom in tenths and the map's top-left corner in the view, twips.
    void applyView(double coef, int left, int top);
    int mapLeft() const { return m_x; }
    int mapTop() const { return m_y; }

    // Screen pixels per scene unit.
    double pixelScale() const;
    // View (viewport) pixel of a map position and back.
    QPointF mapToViewport(const QPointF &scenePos) const;
    QPointF viewportToMap(const QPointF &viewportPos) const;

protected:
    void resizeEvent(QResizeEvent *e) override;

private:
    void updateSceneRect();
    double m_coef = 10;
    int m_x = 0;
    int m_y = 0;
};
