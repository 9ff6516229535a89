#pragma once

// A working folder with a small network, its main window loaded on it and a
// recording transmitter in place of the radio.

#include "recordingtransmitter.h"
#include "testsupport.h"

#include "command/relai.h"
#include "core/appcontext.h"
#include "map/frmmain.h"
#include "map/mapscene.h"

#include <QApplication>
#include <QMessageBox>
#include <QStandardPaths>

#include <memory>

struct Station
{
    TempWorkspace ws;
    AppContext ctx;
    RecordingTransmitter *tx = nullptr;
    std::unique_ptr<frmMain> frm;

    Station()
    {
        QStandardPaths::setTestModeEnabled(true);
        ws.makeMap(600, 400);
        // Keys 1..5, spread over the map.
        ws.addRepeater("Alpha", "1", "438.5", 600, 600, 600, 1000);
        ws.addRepeater("Bravo", "2", "1255", 3000, 600, 3000, 1000);
        ws.addRepeater("Charlie", "3", "2370", 3000, 3000, 3000, 3400);
        ws.addRepeater("Delta", "4", "10450", 600, 3000, 600, 3400);
        ws.addRepeater("Echo", "5", "1280", 5000, 2000, 5000, 2400);
    }

    void load()
    {
        tx = new RecordingTransmitter;
        ctx.transmitter.reset(tx);
        frm = std::make_unique<frmMain>(ctx);
        frm->Load();
        frm->show();
    }

    // What a plain click on repeater i's icon does.
    Relai *open(int i)
    {
        const Repeater *r = frm->scene()->repeater(i);
        ctx.state.IndexBouton = i;
        ctx.state.NomCourant = r ? r->nom : QString();
        ctx.state.FreqCourante = r ? r->freq : QString();
        frm->openCommandWindow(i);
        Relai *w = frm->findChild<Relai *>();
        if (w && !QTest::qWaitForWindowExposed(w))
            return nullptr;
        return w;
    }

    // Message boxes on screen other than the send question.
    QList<QMessageBox *> messages(QWidget *under) const
    {
        QList<QMessageBox *> out;
        for (QMessageBox *b : under->findChildren<QMessageBox *>())
            if (b->isVisible() && b->objectName() != QLatin1String("questionEnvoi"))
                out << b;
        return out;
    }
};
