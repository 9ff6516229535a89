#pragma once

// The main window of the map tests: loaded on the current working folder and
// shown at a known size, with the mouse moves that QTest cannot make.

#include "core/appcontext.h"
#include "map/frmmain.h"
#include "map/mapinteraction.h"
#include "map/mapscene.h"
#include "map/mapview.h"

#include <QApplication>
#include <QMouseEvent>

#include <memory>

struct Window
{
    AppContext ctx;
    std::unique_ptr<frmMain> frm;
    MapInteraction *zoom = nullptr;

    explicit Window(int width = 800, int height = 600)
    {
        frm = std::make_unique<frmMain>(ctx);
        frm->resize(width, height);
        frm->Load();
        frm->show();
        // The outer width is what the zoom uses: make it exactly `width`.
        frm->resize(width - (frm->frameGeometry().width() - frm->width()), height);
        zoom = frm->findChild<MapInteraction *>();
    }
    QWidget *vp() const { return frm->view()->viewport(); }
    MapScene *scene() const { return frm->scene(); }
};

// A move with buttons and keys held, which QTest::mouseMove cannot carry.
inline void moveWith(QWidget *w, QPoint pos, Qt::MouseButtons buttons, Qt::KeyboardModifiers mods)
{
    QMouseEvent e(QEvent::MouseMove, QPointF(pos), QPointF(w->mapToGlobal(pos)), Qt::NoButton, buttons, mods);
    QApplication::sendEvent(w, &e);
}
